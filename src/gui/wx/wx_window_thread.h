#pragma once

#include <functional>

#include "ports/window_thread.h"

namespace harrowlander::wx {

// The wx main thread, which owns every window of the program. Calls from other threads
// are queued to the application object and run by whichever event loop is running
// then: the dialog's own, or that of a modal box or file dialog shown over it. Invoke
// waits for its call, so the main thread must not wait for the invoking thread.
class WxWindowThread : public WindowThread {
 public:
  bool IsWindowThread() const override;
  void Invoke(const std::function<void()>& call) override;
  void Post(std::function<void()> call) override;
};

}  // namespace harrowlander::wx
