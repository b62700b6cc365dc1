#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

bool CHarrowlanderDlg::OnInitDialog() {
  DialogWindow& window = m_platform.window;
  UpdateData(false);  // the defaults, as the dialog base does before anything else
  if (!res::kAboutMenuText.empty()) {
    window.AppendAboutToSystemMenu(res::IDM_ABOUTBOX, std::string(res::kAboutMenuText));
  }
  window.SetIcon(m_hIcon, true);
  window.SetIcon(m_hIcon, false);
  SerializeSettings(false);
  UpdateData(false);
  ApplyMode();
  return true;
}

void CHarrowlanderDlg::OnAbout() {
  m_platform.window.ShowAboutBox();
}

bool CHarrowlanderDlg::OnSysCommand(unsigned commandId) {
  if ((commandId & 0xFFF0u) != static_cast<unsigned>(res::IDM_ABOUTBOX)) {
    return false;
  }
  OnAbout();
  return true;
}

}  // namespace harrowlander
