#include <cstdint>
#include <cstdio>

#include "ports/com_error.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

void CHarrowlanderDlg::SetStatus(std::string text) {
  m_strStatus = std::move(text);
  m_lastStatusShown = m_strStatus;
  UpdateData(false);
}

void CHarrowlanderDlg::SetStatusControlText(const std::string& text) {
  m_lastStatusShown = text;
  m_platform.window.SetControlText(res::IDC_STATUS, text);
}

sql::ServerLogin CHarrowlanderDlg::Login() const {
  return {m_strServer, m_strSqlUser, m_strSqlPassword, m_nConnectTimeout, m_nCommandTimeout};
}

void CHarrowlanderDlg::ReportComError(const ComError& error) {
  if (error.Description().empty()) {
    char text[64];
    std::snprintf(text, sizeof text, "SQL Server access failed (error 0x%08X).",
                  static_cast<std::uint32_t>(error.Error()));
    SetStatus(text);
    return;
  }
  SetStatus(error.Description());
}

void CHarrowlanderDlg::ReportFailure(const std::exception& error) {
  SetStatus(std::string("发生意外错误,操作已停止:") + error.what());
}

}  // namespace harrowlander
