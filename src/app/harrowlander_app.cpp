#include "app/harrowlander_app.h"

#include <optional>
#include <string>

#include "res/dialog_templates.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

CHarrowlanderApp::CHarrowlanderApp(InstanceLock& lock, DialogHost& host, Platform& platform)
    : m_lock(lock), m_host(host), m_platform(platform) {}

CHarrowlanderApp::CHarrowlanderApp(InstanceLock& lock, DialogHost& host, Platform& platform,
                                   WindowThread& windowThread)
    : m_lock(lock), m_host(host), m_platform(platform), m_windowThread(&windowThread) {}

bool CHarrowlanderApp::InitInstance() {
  if (!m_lock.TryAcquire()) {
    m_platform.window.MessageBox("程序已运行!", std::string(res::kApplicationName),
                                 mb::kOk | mb::kIconInformation);
    return false;
  }
  std::optional<CHarrowlanderDlg> dlg;
  if (m_windowThread != nullptr) {
    dlg.emplace(m_platform, *m_windowThread);
  } else {
    dlg.emplace(m_platform);
  }
  m_host.RunModal(*dlg);  // how the dialog ended makes no difference
  return false;
}

int CHarrowlanderApp::ExitInstance() {
  m_lock.Release();
  return 0;
}

int CHarrowlanderApp::Run() {
  InitInstance();
  return ExitInstance();
}

}  // namespace harrowlander
