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

  // False also when the mutex could not be created.
  bool TryAcquire() override;
  void Release() override;

 private:
  void* m_mutex;
  bool m_held = false;
};

}  // namespace harrowlander::win32
