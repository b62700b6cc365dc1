// Starts testserver as a child process on loopback with a fresh state directory,
// waits for its "ready" line and stops it by PID.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

class ServerProcess {
 public:
  // Extra command-line arguments; --state (a fresh directory, removed at the end),
  // --listen and --sa-password are added unless given.
  explicit ServerProcess(std::vector<std::string> args = {});
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  bool Ready() const { return m_port != 0; }
  int Port() const { return m_port; }
  int BrowserPort() const { return m_browserPort; }
  const std::filesystem::path& StateDir() const { return m_stateDir; }
  // Sends SIGTERM and waits; returns the exit status (-1 when it had to be killed).
  int Stop();

  static constexpr const char* kSaPassword = "Secr3t!";

 private:
  std::filesystem::path m_stateDir;
  bool m_ownsState = false;
  pid_t m_pid = -1;
  int m_port = 0;
  int m_browserPort = 0;
};

// A unique scratch directory, removed by the destructor.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};
