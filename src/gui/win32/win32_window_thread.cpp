#include "gui/win32/win32_window_thread.h"

#include <exception>
#include <memory>
#include <stdexcept>

namespace harrowlander::win32 {
namespace {

constexpr UINT kInvokeMessage = WM_APP + 1;  // lParam: an InvokedCall
constexpr UINT kPostMessage = WM_APP + 2;    // lParam: a std::function<void()> it owns
constexpr const wchar_t* kWindowClass = L"HarrowlanderWindowThread";

using PostedCall = std::function<void()>;

// A call waited for by the thread that sent it, with how it went.
struct InvokedCall {
  const std::function<void()>& call;
  std::exception_ptr failure;
  bool ran = false;
};

}  // namespace

Win32WindowThread::Win32WindowThread() : m_threadId(GetCurrentThreadId()) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);  // registered already by an earlier object: the same
  m_window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                             nullptr);
}

Win32WindowThread::~Win32WindowThread() {
  MSG message;
  while (PeekMessageW(&message, m_window, kPostMessage, kPostMessage, PM_REMOVE)) {
    delete reinterpret_cast<PostedCall*>(message.lParam);
  }
  DestroyWindow(m_window);
}

bool Win32WindowThread::IsWindowThread() const {
  return GetCurrentThreadId() == m_threadId;
}

void Win32WindowThread::Invoke(const std::function<void()>& call) {
  if (IsWindowThread()) {
    call();
    return;
  }
  InvokedCall invoked{call, nullptr};
  SendMessageW(m_window, kInvokeMessage, 0, reinterpret_cast<LPARAM>(&invoked));
  if (invoked.failure) {
    std::rethrow_exception(invoked.failure);
  }
  if (!invoked.ran) {
    throw std::runtime_error("the window's thread takes no more calls");
  }
}

void Win32WindowThread::Post(std::function<void()> call) {
  auto posted = std::make_unique<PostedCall>(std::move(call));
  if (PostMessageW(m_window, kPostMessage, 0, reinterpret_cast<LPARAM>(posted.get()))) {
    posted.release();  // the message owns it now
  }
}

// An exception must not unwind through the system's frames that called this: an
// invoked call's goes back to its caller, and a posted call that throws ends the program
// (noexcept), as nothing is left that could take it.
LRESULT CALLBACK Win32WindowThread::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) noexcept {
  switch (message) {
    case kInvokeMessage: {
      auto* invoked = reinterpret_cast<InvokedCall*>(lParam);
      try {
        invoked->call();
      } catch (...) {
        invoked->failure = std::current_exception();
      }
      invoked->ran = true;
      return 0;
    }
    case kPostMessage: {
      const std::unique_ptr<PostedCall> call(reinterpret_cast<PostedCall*>(lParam));
      (*call)();
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace harrowlander::win32
