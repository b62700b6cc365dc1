#pragma once

#include <string>

namespace harrowlander {

// What one attempt to take the instance lock came to.
struct LockAttempt {
  enum class Result {
    kTaken,                  // this process holds the lock now
    kHeldByAnotherInstance,  // another running instance holds it
    kFailed,                 // the lock could not be tried at all
  };
  Result result = Result::kTaken;
  // With kFailed: what failed, naming the file or object and the reason.
  std::string failure;
};

// Keeps a second copy of the program from running for the same user at the same time.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;

  // Takes the lock without waiting; taking it again while held succeeds.
  virtual LockAttempt TryAcquire() = 0;
  // Gives the lock up; without effect when it is not held.
  virtual void Release() = 0;
};

}  // namespace harrowlander
