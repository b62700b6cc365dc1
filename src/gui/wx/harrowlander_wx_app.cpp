#include "gui/wx/harrowlander_wx_app.h"

#include "app/harrowlander_app.h"
#include "gui/wx/linux_adapters.h"
#include "gui/wx/wx_dialog_host.h"
#include "gui/wx/wx_window_thread.h"
#include "platform/posix/lock_file_instance_lock.h"
#include "res/dialog_templates.h"

namespace harrowlander::wx {

bool HarrowlanderWxApp::OnInit() {
  SetAppName("Harrowlander");
  return true;  // the base would parse the command line, and there are no options
}

int HarrowlanderWxApp::OnRun() {
  LinuxAdapters adapters;
  posix::LockFileInstanceLock lock{std::string(res::kApplicationName)};
  WxDialogHost host(adapters.window);
  WxWindowThread windowThread;
  CHarrowlanderApp app(lock, host, adapters.ports, windowThread);
  return app.Run();
}

}  // namespace harrowlander::wx
