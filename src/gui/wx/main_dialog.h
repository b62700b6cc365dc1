#pragma once

#include <wx/combo.h>

#include <functional>

#include "gui/wx/template_dialog.h"
#include "gui/wx/wx_dialog_window.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::wx {

// The main dialog's window (template 102). It forwards each control notification to
// the handler of the same name in CHarrowlanderDlg and holds no behaviour of its own.
class MainDialog : public TemplateDialog {
 public:
  MainDialog(CHarrowlanderDlg& dlg, WxDialogWindow& window);

 private:
  void BindNotifications();
  // The edits whose text the settings file keeps take only what it can hold.
  void KeepSavedTextsToTheSettingsCodePage();
  void ReportClicksOnCheckedRadio(wxWindow& radio, std::function<void()> clicked);
  // Closes the window when the dialog allows it now.
  void CloseIfAllowed(CHarrowlanderDlg::CloseReason reason);
  void OnCloseWindow(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnContextMenu(wxContextMenuEvent& event);
  bool ReturnPressesDefaultButton() const;
  // The combo box whose list is dropped down, if one is.
  wxComboCtrl* OpenComboList() const;

  CHarrowlanderDlg& m_dlg;
  WxDialogWindow& m_window;
};

}  // namespace harrowlander::wx
