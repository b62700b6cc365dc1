#include "cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>

extern char** environ;

namespace harrowlander::testing {
namespace {

// The text for inside single quotes of a shell command.
std::string Quoted(const std::string& text) {
  std::string quoted;
  for (char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted;
}

}  // namespace

std::vector<std::string> CliResult::OutLines() const {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

CliProcess::CliProcess(const std::vector<std::string>& arguments,
                       const std::map<std::string, std::string>& environment,
                       const std::string& input, const std::filesystem::path& directory,
                       Streams streams) {
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    if (!(variable.starts_with("HARROWLANDER_") &&
          variable.find("_PASSWORD=") != std::string::npos)) {
      variables.push_back(variable);
    }
  }
  for (const auto& [name, value] : environment) {
    variables.push_back(name + "=" + value);
  }
  std::vector<std::string> argv = {HARROWLANDER_CLI_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  if (streams == Streams::kTerminal) {
    std::string command;
    for (const std::string& arg : argv) {
      command += " '" + Quoted(arg) + "'";
    }
    argv = {"/usr/bin/script", "-qec", command, "/dev/null"};
  }

  int in[2], out[2], err[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) {
    return;
  }
  m_pid = ::fork();
  if (m_pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
      ::close(fd);
    }
    if (!directory.empty() && ::chdir(directory.c_str()) != 0) {
      ::_exit(126);
    }
    std::vector<char*> args, envs;
    for (std::string& a : argv) {
      args.push_back(a.data());
    }
    args.push_back(nullptr);
    for (std::string& v : variables) {
      envs.push_back(v.data());
    }
    envs.push_back(nullptr);
    ::execve(args[0], args.data(), envs.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  m_in = in[1];
  m_out = out[0];
  m_err = err[0];
  Send(input);
}

void CliProcess::Send(const std::string& text) {
  // The inputs the tests give are far below a pipe's capacity.
  if (!text.empty() && ::write(m_in, text.data(), text.size()) < 0) {
    std::perror("write");
  }
}

bool CliProcess::ReadSome(int timeoutMs) {
  pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
  std::string* sinks[2] = {&m_result.out, &m_result.err};
  int* ends[2] = {&m_out, &m_err};
  if (m_out < 0 && m_err < 0) {
    return false;
  }
  if (::poll(fds, 2, timeoutMs) <= 0) {
    return true;
  }
  for (int i = 0; i < 2; ++i) {
    if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
      char buffer[4096];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(got));
      } else {
        ::close(fds[i].fd);
        *ends[i] = -1;
      }
    }
  }
  return true;
}

bool CliProcess::ReadUntil(const std::string& text) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (m_result.out.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline || !ReadSome(100)) {
      return false;
    }
  }
  return true;
}

CliResult CliProcess::Wait() {
  if (m_pid <= 0) {
    return m_result;
  }
  if (m_in >= 0) {
    ::close(m_in);
    m_in = -1;
  }
  while (ReadSome(-1)) {
  }
  int status = 0;
  ::waitpid(m_pid, &status, 0);
  m_pid = -1;
  m_result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return m_result;
}

CliProcess::~CliProcess() {
  if (m_pid > 0) {
    Wait();
  }
}

std::string JsonField(const std::string& line, const std::string& key) {
  const std::string start = "\"" + key + "\":";
  size_t at = line.find(start);
  if (at == std::string::npos) {
    return "";
  }
  at += start.size();
  std::string value;
  if (line[at] != '"') {
    while (at < line.size() && line[at] != ',' && line[at] != '}') {
      value += line[at++];
    }
    return value;
  }
  for (size_t i = at + 1; i < line.size() && line[i] != '"'; ++i) {
    value += line[i] == '\\' ? line[++i] : line[i];
  }
  return value;
}

}  // namespace harrowlander::testing
