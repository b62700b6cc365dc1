#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "smbd_fixture_env.h"

namespace harrowlander::smb::testing {

// An smbd of the test's own on a port of its own, sharing one folder as "share" with the
// account of with_smbd.sh: the test may kill it and start it again, or stop it for a
// while, without touching the smbd the other tests use. It leads a process group of its
// own, which takes its connections' processes along.
class PrivateSmbd {
 public:
  PrivateSmbd(const std::filesystem::path& base, const std::filesystem::path& folder, int port)
      : m_base(base), m_port(port) {
    for (const char* dir : {"etc", "state", "lock", "cache", "private", "pid", "ncalrpc", "log"}) {
      std::filesystem::create_directories(base / dir);
    }
    std::ofstream(base / "etc" / "smb.conf") << Configuration(folder);
  }
  ~PrivateSmbd() {
    Resume();
    Kill();
  }
  PrivateSmbd(const PrivateSmbd&) = delete;
  PrivateSmbd& operator=(const PrivateSmbd&) = delete;

  int Port() const { return m_port; }

  // Starts it and waits until it takes connections.
  bool Start() {
    const std::string conf = (m_base / "etc" / "smb.conf").string();
    const std::string log = (m_base / "log" / "smbd.out").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const char* argv[] = {"smbd", "--foreground", "--debug-stdout", "-d",
                          "1",    "-s",           conf.c_str(),     nullptr};
    const int spawned = posix_spawn(&m_pid, "/usr/sbin/smbd", &actions, nullptr,
                                    const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      m_pid = 0;
      return false;
    }
    for (int attempt = 0; attempt < 200; ++attempt) {
      if (Listening()) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
  }
  // The server and every connection it serves end at once.
  void Kill() {
    if (m_pid > 0) {
      kill(-m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
      m_pid = 0;
    }
  }
  // It takes connections still (the system does), but answers nothing.
  void Pause() {
    if (m_pid > 0) {
      kill(-m_pid, SIGSTOP);
    }
  }
  void Resume() {
    if (m_pid > 0) {
      kill(-m_pid, SIGCONT);
    }
  }

 private:
  // The fixture's configuration with this server's own port and folders, and the share.
  std::string Configuration(const std::filesystem::path& folder) const {
    std::ifstream in(Env("HARROWLANDER_SMB_CONF"));
    std::ostringstream out;
    const std::pair<const char*, std::string> own[] = {
        {"smb ports", std::to_string(m_port)},
        {"lock directory", (m_base / "lock").string()},
        {"state directory", (m_base / "state").string()},
        {"cache directory", (m_base / "cache").string()},
        {"private dir", (m_base / "private").string()},
        {"pid directory", (m_base / "pid").string()},
        {"ncalrpc dir", (m_base / "ncalrpc").string()},
        {"log file", (m_base / "log" / "log.%m").string()},
    };
    for (std::string line; std::getline(in, line);) {
      const std::size_t start = line.find_first_not_of(' ');
      const std::string key =
          start == std::string::npos ? "" : line.substr(start, line.find(" =") - start);
      if (key == "registry shares" || key == "include") {
        continue;
      }
      for (const auto& [name, value] : own) {
        if (key == name) {
          line = "  " + key + " = " + value;
        }
      }
      out << line << '\n';
    }
    out << "[share]\n  path = " << folder.string() << "\n  writeable = yes\n  force user = root\n";
    return out.str();
  }
  bool Listening() const {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
  }

  std::filesystem::path m_base;
  int m_port;
  pid_t m_pid = 0;
};

}  // namespace harrowlander::smb::testing
