// Harrowlander.exe: the adapters of the ports, the native dialog host and the
// application object of the core, whose operations run on a thread of their own while
// this one keeps the window answering. The program takes no command-line options.
#include "platform/win32/windows_api.h"

#include "app/harrowlander_app.h"
#include "gui/win32/win32_dialog_host.h"
#include "gui/win32/win32_window_thread.h"
#include "gui/win32/windows_adapters.h"
#include "platform/win32/mutex_instance_lock.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace harrowlander;
  win32::WindowsAdapters adapters;
  win32::MutexInstanceLock lock;
  win32::Win32DialogHost host(adapters.window);
  win32::Win32WindowThread windowThread;
  CHarrowlanderApp app(lock, host, adapters.ports, windowThread);
  return app.Run();
}
