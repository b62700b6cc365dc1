// The window thread of the Windows front end, with a worker thread calling it while the
// window's thread sits in the loop of a modal box, as it does while it asks a question
// during a run.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gui/win32/win32_window_thread.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {
namespace {

constexpr const wchar_t* kBoxTitle = L"window thread test";

// The box of kBoxTitle that this thread shows, once it is up.
HWND BoxOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM context) -> BOOL {
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        if (IsWindowVisible(window) && std::wstring(title) == kBoxTitle) {
          *reinterpret_cast<HWND*>(context) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Invoked calls run on the window's thread and what they throw comes back to the
// caller; posted calls run there in the order they were posted. Both while the window's
// thread runs nothing but a message box.
TEST(Win32WindowThread, CallsFromAWorkerRunOnTheWindowsThreadInsideAModalBox) {
  Win32WindowThread windowThread;
  const DWORD windowThreadId = GetCurrentThreadId();
  std::vector<DWORD> invokedOn;
  std::vector<int> posted;
  std::string thrownBack;
  bool closed = false;
  std::thread worker([&] {
    bool boxUp = false;
    while (!boxUp) {
      windowThread.Invoke([&] { boxUp = BoxOfThisThread() != nullptr; });
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    windowThread.Invoke([&] { invokedOn.push_back(GetCurrentThreadId()); });
    try {
      windowThread.Invoke([] { throw std::runtime_error("thrown on the window's thread"); });
    } catch (const std::runtime_error& error) {
      thrownBack = error.what();
    }
    for (int i = 0; i < 3; ++i) {
      windowThread.Post([&posted, i] { posted.push_back(i); });
    }
    windowThread.Post([&] {
      invokedOn.push_back(GetCurrentThreadId());
      closed = PostMessageW(BoxOfThisThread(), WM_COMMAND, IDOK, 0) != FALSE;
    });
  });
  // Posted calls that never come fail the test instead of leaving the box up.
  const UINT_PTR guard = SetTimer(nullptr, 0, 30000, [](HWND, UINT, UINT_PTR, DWORD) {
    PostMessageW(BoxOfThisThread(), WM_COMMAND, IDOK, 0);
  });
  MessageBoxW(nullptr, L"closed by the worker's calls", kBoxTitle, MB_OK);
  KillTimer(nullptr, guard);
  worker.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(invokedOn, (std::vector<DWORD>{windowThreadId, windowThreadId}));
  EXPECT_EQ(thrownBack, "thrown on the window's thread");
  EXPECT_EQ(posted, (std::vector<int>{0, 1, 2}));
}

}  // namespace
}  // namespace harrowlander::win32
