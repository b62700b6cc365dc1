#pragma once

#include "platform/win32/windows_api.h"

#include <functional>

#include "ports/window_thread.h"

namespace harrowlander::win32 {

// The thread that creates it, which runs the program's windows. Calls from other
// threads come to it as private messages to a message-only window of its own, which
// lives as long as this object whatever becomes of the dialog: Invoke sends one and
// waits, Post posts one. The system hands a message sent from another thread to the
// receiving thread whenever that thread takes its messages, also in the loop of a
// modal box or file dialog shown there; posted ones are dispatched by whichever loop
// runs then. The window's thread must therefore never wait for a thread that may be
// in Invoke.
class Win32WindowThread : public WindowThread {
 public:
  Win32WindowThread();
  // On the window's thread. Calls posted and not run yet are dropped.
  ~Win32WindowThread() override;
  Win32WindowThread(const Win32WindowThread&) = delete;
  Win32WindowThread& operator=(const Win32WindowThread&) = delete;

  bool IsWindowThread() const override;
  // What the call throws is thrown here, on the calling thread. Throws when the
  // window's thread no longer takes calls, for the call has not run.
  void Invoke(const std::function<void()>& call) override;
  void Post(std::function<void()> call) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;

  DWORD m_threadId;
  HWND m_window;
};

}  // namespace harrowlander::win32
