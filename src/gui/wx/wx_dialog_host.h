#pragma once

#include "gui/wx/wx_dialog_window.h"
#include "ports/dialog_host.h"

namespace harrowlander::wx {

// Runs the main dialog's window modally, with the window adapter attached to it.
class WxDialogHost : public DialogHost {
 public:
  explicit WxDialogHost(WxDialogWindow& window) : m_window(window) {}

  int RunModal(CHarrowlanderDlg& dialog) override;

 private:
  WxDialogWindow& m_window;
};

}  // namespace harrowlander::wx
