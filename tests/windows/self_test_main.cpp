// The program as Harrowlander.exe builds it, with the scripted self-test of
// self_test.h run on its dialog: a test program, not part of the product.
#include "platform/win32/windows_api.h"

#include <memory>

#include "app/harrowlander_app.h"
#include "gui/win32/win32_dialog_host.h"
#include "gui/win32/win32_window_thread.h"
#include "gui/win32/windows_adapters.h"
#include "platform/win32/mutex_instance_lock.h"
#include "windows/self_test.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace harrowlander;
  win32::WindowsAdapters adapters;
  win32::MutexInstanceLock lock;
  win32::Win32DialogHost host(adapters.window);
  const std::unique_ptr<win32::SelfTest> selfTest = win32::SelfTest::FromEnvironment();
  if (selfTest != nullptr) {
    host.OnOpened([&selfTest](HWND dialog) { selfTest->Start(dialog); });
  }
  win32::Win32WindowThread windowThread;
  CHarrowlanderApp app(lock, host, adapters.ports, windowThread);
  return app.Run();
}
