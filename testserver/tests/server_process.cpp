#include "server_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int kReadyTimeoutMs = 10000;

bool HasArg(const std::vector<std::string>& args, const std::string& name) {
  for (const auto& a : args) {
    if (a == name) {
      return true;
    }
  }
  return false;
}

int PortOf(const std::string& line) {
  return std::atoi(line.substr(line.rfind(':') + 1).c_str());
}

}  // namespace

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "testserver-XXXXXX").string();
  m_path = ::mkdtemp(pattern.data());
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(m_path, ec);
}

ServerProcess::ServerProcess(std::vector<std::string> args) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "--state") {
      m_stateDir = args[i + 1];
    }
  }
  if (m_stateDir.empty()) {
    std::string pattern = (fs::temp_directory_path() / "testserver-state-XXXXXX").string();
    m_stateDir = ::mkdtemp(pattern.data());
    m_ownsState = true;
    args.insert(args.end(), {"--state", m_stateDir.string()});
  }
  if (!HasArg(args, "--listen")) {
    args.insert(args.end(), {"--listen", "127.0.0.1:0"});
  }
  if (!HasArg(args, "--sa-password")) {
    args.insert(args.end(), {"--sa-password", kSaPassword});
  }
  int out[2];
  if (::pipe(out) != 0) {
    return;
  }
  m_pid = ::fork();
  if (m_pid == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    std::vector<char*> argv{const_cast<char*>(TESTSERVER_PATH)};
    for (auto& a : args) {
      argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    ::execv(TESTSERVER_PATH, argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  std::string buffer;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyTimeoutMs);
  while (m_port == 0 && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) {
      continue;
    }
    char chunk[256];
    ssize_t got = ::read(out[0], chunk, sizeof chunk);
    if (got <= 0) {
      break;
    }
    buffer.append(chunk, got);
    size_t newline;
    while ((newline = buffer.find('\n')) != std::string::npos) {
      std::string line = buffer.substr(0, newline);
      buffer.erase(0, newline + 1);
      if (line.rfind("browser ", 0) == 0) {
        m_browserPort = PortOf(line);
      } else if (line.rfind("ready ", 0) == 0) {
        m_port = PortOf(line);
      }
    }
  }
  ::close(out[0]);
}

int ServerProcess::Stop() {
  if (m_pid <= 0) {
    return -1;
  }
  ::kill(m_pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 100; ++i) {
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(m_pid, SIGKILL);
  ::waitpid(m_pid, &status, 0);
  m_pid = -1;
  return -1;
}

ServerProcess::~ServerProcess() {
  Stop();
  if (m_ownsState) {
    std::error_code ec;
    fs::remove_all(m_stateDir, ec);
  }
}
