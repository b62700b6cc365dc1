// Harrowlander.exe: the adapters of the ports, the native dialog host and the
// application object of the core. The program takes no command-line options.
#include "platform/win32/windows_api.h"

#include "app/harrowlander_app.h"
#include "gui/win32/win32_dialog_host.h"
#include "gui/win32/windows_adapters.h"
#include "platform/win32/mutex_instance_lock.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace harrowlander;
  win32::WindowsAdapters adapters;
  win32::MutexInstanceLock lock;
  win32::Win32DialogHost host(adapters.window);
  CHarrowlanderApp app(lock, host, adapters.ports);
  return app.Run();
}
