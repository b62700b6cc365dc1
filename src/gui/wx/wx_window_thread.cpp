#include "gui/wx/wx_window_thread.h"

#include <wx/app.h>
#include <wx/thread.h>

#include <exception>
#include <future>

namespace harrowlander::wx {

bool WxWindowThread::IsWindowThread() const {
  return wxIsMainThread();
}

void WxWindowThread::Invoke(const std::function<void()>& call) {
  if (IsWindowThread()) {
    call();
    return;
  }
  std::promise<void> ran;
  std::future<void> done = ran.get_future();
  wxTheApp->CallAfter([&call, &ran] {
    try {
      call();
      ran.set_value();
    } catch (...) {
      ran.set_exception(std::current_exception());
    }
  });
  done.get();
}

void WxWindowThread::Post(std::function<void()> call) {
  wxTheApp->CallAfter(std::move(call));
}

}  // namespace harrowlander::wx
