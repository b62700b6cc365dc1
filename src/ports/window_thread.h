#pragma once

#include <functional>

namespace harrowlander {

// The thread that owns the dialog's window, for a front end that runs the operations
// on a thread of their own so that the window keeps answering.
class WindowThread {
 public:
  virtual ~WindowThread() = default;

  // Whether the calling thread is the window's.
  virtual bool IsWindowThread() const = 0;
  // Runs `call` on the window's thread and returns once it has run; the window goes on
  // processing its messages meanwhile, so a modal box shown by `call` works as usual.
  // Called on the window's thread, it runs `call` at once.
  virtual void Invoke(const std::function<void()>& call) = 0;
  // Runs `call` on the window's thread later, without waiting for it.
  virtual void Post(std::function<void()> call) = 0;
};

}  // namespace harrowlander
