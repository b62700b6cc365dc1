#pragma once

#include "ports/dialog_host.h"
#include "ports/instance_lock.h"
#include "ports/platform.h"
#include "ports/window_thread.h"

namespace harrowlander {

// The application object: one instance per user at a time, the main dialog run
// modally, nothing saved when it closes. A front end builds the ports, then calls Run.
class CHarrowlanderApp {
 public:
  CHarrowlanderApp(InstanceLock& lock, DialogHost& host, Platform& platform);
  // The main dialog runs its operations on a thread of their own, its window calls
  // carried to `windowThread` (see CHarrowlanderDlg).
  CHarrowlanderApp(InstanceLock& lock, DialogHost& host, Platform& platform,
                   WindowThread& windowThread);

  // Start-up and the dialog's whole run. Always false: there is no loop after it.
  bool InitInstance();
  // Gives up what start-up took; the result is the process's exit code: 1 when the
  // instance lock could not be tried, else 0.
  int ExitInstance();

  // InitInstance, then ExitInstance: the program's life; returns the exit code.
  int Run();

 private:
  InstanceLock& m_lock;
  DialogHost& m_host;
  Platform& m_platform;
  WindowThread* m_windowThread = nullptr;
  int m_exitCode = 0;
};

}  // namespace harrowlander
