#pragma once

namespace harrowlander {

// Keeps a second copy of the program from running for the same user at the same time.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;

  // Takes the lock without waiting. False when another running instance holds it.
  virtual bool TryAcquire() = 0;
  // Gives the lock up; without effect when it is not held.
  virtual void Release() = 0;
};

}  // namespace harrowlander
