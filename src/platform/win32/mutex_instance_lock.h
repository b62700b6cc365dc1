#pragma once

#include <string>

#include "ports/instance_lock.h"

namespace harrowlander::win32 {

// A named mutex of the user's session, created not owned. The system hands a mutex
// whose holder ended without releasing it to the next one who waits for it, so no
// stale lock outlives a crash. The thread that holds it may take it again: the lock
// refuses other processes, not the process that holds it.
class MutexInstanceLock : public InstanceLock {
 public:
  explicit MutexInstanceLock(const std::string& name = "Harrowlander");
  ~MutexInstanceLock() override;
  MutexInstanceLock(const MutexInstanceLock&) = delete;
  MutexInstanceLock& operator=(const MutexInstanceLock&) = delete;

  // Held elsewhere when the wait times out or the name belongs to a mutex this user
  // may not open; any other failure names the call and the system's error code.
  LockAttempt TryAcquire() override;
  void Release() override;

 private:
  std::string m_name;
  void* m_mutex;
  unsigned long m_createError = 0;
  bool m_held = false;
};

}  // namespace harrowlander::win32
