#include "app/harrowlander_app.h"

#include <optional>
#include <string>

#include "res/dialog_templates.h"
#include "res/format_text.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

CHarrowlanderApp::CHarrowlanderApp(InstanceLock& lock, DialogHost& host, Platform& platform)
    : m_lock(lock), m_host(host), m_platform(platform) {}

CHarrowlanderApp::CHarrowlanderApp(InstanceLock& lock, DialogHost& host, Platform& platform,
                                   WindowThread& windowThread)
    : m_lock(lock), m_host(host), m_platform(platform), m_windowThread(&windowThread) {}

bool CHarrowlanderApp::InitInstance() {
  m_exitCode = 0;
  const LockAttempt lock = m_lock.TryAcquire();
  if (lock.result == LockAttempt::Result::kHeldByAnotherInstance) {
    m_platform.window.MessageBox("程序已运行!", std::string(res::kApplicationName),
                                 mb::kOk | mb::kIconInformation);
    return false;
  }
  if (lock.result == LockAttempt::Result::kFailed) {
    // Without the lock a second instance could not be told apart, so none starts.
    m_platform.window.MessageBox(FormatText("无法建立单实例锁,程序不能启动:%s", {lock.failure}),
                                 std::string(res::kApplicationName), mb::kOk | mb::kIconHand);
    m_exitCode = 1;
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
  return m_exitCode;
}

int CHarrowlanderApp::Run() {
  InitInstance();
  return ExitInstance();
}

}  // namespace harrowlander
