#include "ui/harrowlander_dlg.h"

#include "res/resource_ids.h"
#include "ui/threaded_dialog_window.h"

namespace harrowlander {

CHarrowlanderDlg::CHarrowlanderDlg(Platform& platform) : CHarrowlanderDlg(platform, nullptr) {}

CHarrowlanderDlg::CHarrowlanderDlg(Platform& platform, WindowThread& windowThread)
    : CHarrowlanderDlg(platform, &windowThread) {}

CHarrowlanderDlg::CHarrowlanderDlg(Platform& platform, WindowThread* windowThread)
    : m_bSaveSqlPassword(0),
      m_bSameMachine(0),
      m_bCompressRar(0),
      m_bDropBeforeRestore(0),
      m_bSaveNetPassword(0),
      m_nMode(kModeNone),
      m_bShrinkBeforeBackup(0),
      m_bRestoreToDataDir(1),
      m_bTruncateLogBeforeShrink(1),
      m_nShrinkPercent(10),
      m_nConnectTimeout(15),
      m_nCommandTimeout(60),
      m_bIncremental(1),
      m_hIcon(0),
      m_stoppableSql(platform.sql, m_stop),
      m_windowThread(windowThread),
      m_threadedWindow(windowThread == nullptr ? nullptr
                                               : std::make_unique<ThreadedDialogWindow>(
                                                     platform.window, *windowThread)),
      m_platform{m_threadedWindow ? *m_threadedWindow : platform.window,
                 platform.system,
                 platform.files,
                 platform.codec,
                 m_stoppableSql,
                 platform.browser,
                 platform.standardOutput,
                 platform.standardError,
                 platform.launcher,
                 platform.clientUtility,
                 platform.network} {
  m_nMode = kModeBackup;
  m_hIcon = res::IDR_MAINFRAME;
  m_strSqlUser = "sa";
  m_strServer = "(local)";
}

CHarrowlanderDlg::~CHarrowlanderDlg() {
  if (m_worker.joinable()) {
    m_worker.join();
  }
  if (m_stopper.joinable()) {
    m_stopper.join();
  }
}

}  // namespace harrowlander
