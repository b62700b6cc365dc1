#pragma once

#include <string>

#include "ports/instance_lock.h"

namespace harrowlander::posix {

// An advisory lock (flock) on a file in the user's runtime directory
// ($XDG_RUNTIME_DIR, else /tmp with the user id in the name). The system drops the
// lock when the process ends however it ends, so no stale lock outlives a crash.
class LockFileInstanceLock : public InstanceLock {
 public:
  explicit LockFileInstanceLock(std::string name);
  ~LockFileInstanceLock() override;

  bool TryAcquire() override;
  void Release() override;

  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
  int m_fd = -1;
};

}  // namespace harrowlander::posix
