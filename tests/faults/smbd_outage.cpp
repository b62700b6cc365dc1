#include "smbd_outage.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace harrowlander::testing {
namespace {

// The parent and the name of a process, from /proc/PID/stat; false when it is gone.
bool ParentAndName(pid_t pid, pid_t& parent, std::string& name) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) {
    return false;
  }
  const std::size_t open = line.find('(');
  const std::size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close + 4 > line.size()) {
    return false;
  }
  name = line.substr(open + 1, close - open - 1);
  // ") S 123 ...": the state, then the parent.
  parent = static_cast<pid_t>(std::atoi(line.c_str() + close + 4));
  return true;
}

}  // namespace

SmbdOutage::SmbdOutage() {
  if (const char* pid = std::getenv("HARROWLANDER_SMBD_PID")) {
    m_pid = static_cast<pid_t>(std::atoi(pid));
  }
}

bool SmbdOutage::Known() const {
  return m_pid > 0 && ::getpgid(m_pid) == m_pid;
}

bool SmbdOutage::StopAnswering() {
  m_stopped = Known() && ::kill(-m_pid, SIGSTOP) == 0;
  return m_stopped;
}

// smbd serves each connection in a child of its own, named as smbd itself; its helpers
// (smbd-notifyd, cleanupd) have names of their own and are left alone.
int SmbdOutage::BreakConnections() {
  if (!Known() || ::kill(m_pid, SIGSTOP) != 0) {
    return 0;
  }
  m_stopped = true;
  int broken = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string id = entry.path().filename().string();
    if (id.find_first_not_of("0123456789") != std::string::npos) {
      continue;
    }
    pid_t parent = 0;
    std::string name;
    const pid_t pid = static_cast<pid_t>(std::atoi(id.c_str()));
    if (ParentAndName(pid, parent, name) && parent == m_pid && name == "smbd" &&
        ::kill(pid, SIGKILL) == 0) {
      ++broken;
    }
  }
  return broken;
}

void SmbdOutage::Resume() {
  if (m_stopped) {
    ::kill(-m_pid, SIGCONT);
    m_stopped = false;
  }
}

}  // namespace harrowlander::testing
