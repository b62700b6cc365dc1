#pragma once

#include <string>

#include "ports/instance_lock.h"

namespace harrowlander::posix {

// An advisory lock (flock) on a file in a directory that only this user may write:
// $XDG_RUNTIME_DIR when it is the user's own and closed to group and others, else
// "harrowlander" in the per-user cache directory, made 0700. A directory that another
// user owns or may write to is never used, so no one else can take the name first.
// The system drops the lock when the process ends however it ends, so no stale lock
// outlives a crash.
class LockFileInstanceLock : public InstanceLock {
 public:
  explicit LockFileInstanceLock(std::string name);
  ~LockFileInstanceLock() override;
  LockFileInstanceLock(const LockFileInstanceLock&) = delete;
  LockFileInstanceLock& operator=(const LockFileInstanceLock&) = delete;

  // Held elsewhere only when flock answers that another descriptor holds the lock;
  // every other failure names the directory or file and the reason.
  LockAttempt TryAcquire() override;
  void Release() override;

  // The lock file; empty when there is no home directory to keep it in.
  const std::string& path() const { return m_path; }

 private:
  std::string m_directory;
  std::string m_path;
  bool m_directoryIsRuntime = false;
  int m_fd = -1;
};

}  // namespace harrowlander::posix
