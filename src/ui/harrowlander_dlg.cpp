#include "ui/harrowlander_dlg.h"

#include "res/resource_ids.h"

namespace harrowlander {

CHarrowlanderDlg::CHarrowlanderDlg(Platform& platform)
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
      m_platform{platform.window,         platform.system,        platform.files,
                 platform.codec,          m_stoppableSql,         platform.browser,
                 platform.standardOutput, platform.standardError, platform.launcher,
                 platform.clientUtility,  platform.network} {
  m_nMode = kModeBackup;
  m_hIcon = res::IDR_MAINFRAME;
  m_strSqlUser = "sa";
  m_strServer = "(local)";
}

}  // namespace harrowlander
