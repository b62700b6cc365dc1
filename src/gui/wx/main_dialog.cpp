#include "gui/wx/main_dialog.h"

#include <wx/button.h>
#include <wx/menu.h>
#include <wx/odcombo.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <memory>

#include "gui/wx/key_codes.h"
#include "gui/wx/settings_text_filter.h"
#include "gui/wx/wx_text.h"
#include "res/resource_ids.h"
#include "ui/dialog_controls.h"

namespace harrowlander::wx {
namespace {

using D = CHarrowlanderDlg;

struct Notification {
  int id;
  const wxEventType& type;
  void (D::*handler)();
};

// The dialog's message map, in the order of its entries.
const Notification kMessageMap[] = {
    {res::IDC_CONFIGURE_CLIENT, wxEVT_BUTTON, &D::OnConfigureClient},
    {res::IDC_DATABASE, wxEVT_COMBOBOX_DROPDOWN, &D::OnDropdownDatabase},
    {res::IDC_ABOUT, wxEVT_BUTTON, &D::OnAbout},
    {res::IDOK, wxEVT_BUTTON, &D::OnStart},
    {res::IDC_MODE_BACKUP, wxEVT_RADIOBUTTON, &D::OnModeChanged},
    {res::IDC_SAME_MACHINE, wxEVT_CHECKBOX, &D::OnModeChanged},
    {res::IDC_MODE_RESTORE, wxEVT_RADIOBUTTON, &D::OnModeChanged},
    {res::IDC_RAR_PASSWORD, wxEVT_TEXT, &D::OnRarPasswordChange},
    {res::IDC_MODE_DELETE, wxEVT_RADIOBUTTON, &D::OnModeChanged},
    {res::IDC_SERVER, wxEVT_TEXT, &D::OnServerEditChange},
    {res::IDC_SERVER, wxEVT_COMBOBOX_DROPDOWN, &D::OnServerDropDown},
    {res::IDC_SERVER, wxEVT_COMBOBOX, &D::OnServerSelChange},
    {res::IDC_COMPRESS_RAR, wxEVT_CHECKBOX, &D::OnCompressRarClicked},
    {res::IDC_MODE_SHRINK, wxEVT_RADIOBUTTON, &D::OnShrinkModeClicked},
    {res::IDC_MODE_DROP_TABLES, wxEVT_RADIOBUTTON, &D::OnDropTablesModeClicked},
};

}  // namespace

MainDialog::MainDialog(CHarrowlanderDlg& dlg, WxDialogWindow& window)
    : TemplateDialog(nullptr, res::MainDialogTemplate()), m_dlg(dlg), m_window(window) {
  // Exit, Esc and the title bar's close each ask the dialog first, which tells them
  // apart: wx would turn all three into a click on the escape button.
  SetEscapeId(wxID_NONE);
  BindNotifications();
  KeepSavedTextsToTheSettingsCodePage();
  Control(res::IDCANCEL)->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    CloseIfAllowed(CHarrowlanderDlg::CloseReason::kExitButton);
  });
  Bind(wxEVT_CLOSE_WINDOW, &MainDialog::OnCloseWindow, this);
  Bind(wxEVT_CHAR_HOOK, &MainDialog::OnCharHook, this);
  Bind(wxEVT_CONTEXT_MENU, &MainDialog::OnContextMenu, this);
}

void MainDialog::CloseIfAllowed(CHarrowlanderDlg::CloseReason reason) {
  if (m_dlg.OnCloseRequest(reason)) {
    m_window.CloseWindow();
  }
}

// A close that cannot be vetoed leaves the window open all the same while a run goes
// on: the dialog may not go before its run.
void MainDialog::OnCloseWindow(wxCloseEvent& event) {
  if (m_dlg.OnCloseRequest(CHarrowlanderDlg::CloseReason::kWindowClose)) {
    m_window.CloseWindow();
  } else if (event.CanVeto()) {
    event.Veto();
  }
}

void MainDialog::BindNotifications() {
  for (const Notification& entry : kMessageMap) {
    wxWindow* control = Control(entry.id);
    const auto handler = entry.handler;
    const bool editNotification = entry.type == wxEVT_TEXT;
    CHarrowlanderDlg* dlg = &m_dlg;
    WxDialogWindow* window = &m_window;
    control->Bind(wxEventTypeTag<wxCommandEvent>(entry.type),
                  [dlg, window, handler, editNotification](wxCommandEvent&) {
                    // Edit notifications are for the user's typing, not for texts the
                    // dialog sets itself.
                    if (!(editNotification && window->ChangingControls())) {
                      (dlg->*handler)();
                    }
                  });
    if (entry.type == wxEVT_RADIOBUTTON) {
      ReportClicksOnCheckedRadio(*control, [dlg, handler] { (dlg->*handler)(); });
    }
  }
}

void MainDialog::KeepSavedTextsToTheSettingsCodePage() {
  for (int id : kSavedTextControls) {
    wxWindow* control = Control(id);
    auto* edit = dynamic_cast<wxTextCtrl*>(control);
    if (auto* combo = dynamic_cast<wxComboCtrl*>(control)) {
      edit = combo->GetTextCtrl();
    }
    if (edit != nullptr) {
      RefuseTextTheSettingsCannotHold(*edit, m_dlg.platform().codec);
    }
  }
}

// A Windows radio button reports every click, also on the radio that is already
// checked; GTK reports only a change. A click that began and ended on the checked
// radio is reported here instead.
void MainDialog::ReportClicksOnCheckedRadio(wxWindow& radio, std::function<void()> clicked) {
  auto wasChecked = std::make_shared<bool>(false);
  radio.Bind(wxEVT_LEFT_DOWN, [&radio, wasChecked](wxMouseEvent& event) {
    *wasChecked = dynamic_cast<wxRadioButton&>(radio).GetValue();
    event.Skip();
  });
  radio.Bind(wxEVT_LEFT_UP, [&radio, wasChecked, clicked](wxMouseEvent& event) {
    event.Skip();
    if (*wasChecked && wxRect(radio.GetClientSize()).Contains(event.GetPosition())) {
      *wasChecked = false;
      radio.CallAfter(clicked);  // after GTK has finished with the click
    }
  });
}

// Every key pressed with Alt held goes to the dialog's watch for the hidden key
// sequence first, and then on as usual: no key is swallowed.
void MainDialog::OnCharHook(wxKeyEvent& event) {
  if (event.AltDown() || event.GetKeyCode() == WXK_ALT) {
    m_dlg.PreTranslateSysKeyDown(VirtualKeyOf(event));
  }
  if (ReturnPressesDefaultButton() && event.GetKeyCode() == WXK_RETURN &&
      event.GetModifiers() == wxMOD_NONE) {
    EmulateButtonClickIfPresent(res::IDOK);
    return;
  }
  // As in a Windows dialog, Esc in an open list closes the list, not the dialog.
  if (event.GetKeyCode() == WXK_ESCAPE && event.GetModifiers() == wxMOD_NONE) {
    if (wxComboCtrl* combo = OpenComboList()) {
      combo->Dismiss();
    } else {
      CloseIfAllowed(CHarrowlanderDlg::CloseReason::kEscape);
    }
    return;
  }
  event.Skip();
}

wxComboCtrl* MainDialog::OpenComboList() const {
  for (const auto& [id, control] : controls()) {
    auto* combo = dynamic_cast<wxComboCtrl*>(control);
    if (combo != nullptr && combo->IsPopupShown()) {
      return combo;
    }
  }
  return nullptr;
}

// As in a Windows dialog, Return anywhere but on a push button (which it presses) or in
// an open list (which it closes) presses the default button. GTK would toggle a
// focused check box instead.
bool MainDialog::ReturnPressesDefaultButton() const {
  const wxWindow* focus = FindFocus();
  if (focus == nullptr || dynamic_cast<const wxButton*>(focus) != nullptr) {
    return false;
  }
  for (const wxWindow* window = focus; window != nullptr; window = window->GetParent()) {
    if (const auto* combo = dynamic_cast<const wxComboCtrl*>(window)) {
      return !combo->IsPopupShown();
    }
  }
  return true;
}

// GTK offers no way to add to the window manager's window menu, so the entries the
// dialog adds to its system menu are offered on a right click instead.
void MainDialog::OnContextMenu(wxContextMenuEvent& event) {
  const auto& entries = m_window.systemMenu();
  if (entries.empty()) {
    event.Skip();
    return;
  }
  wxMenu menu;
  for (const auto& entry : entries) {
    menu.Append(entry.commandId, ToWx(entry.text));
  }
  const int command = GetPopupMenuSelectionFromUser(menu);
  if (command != wxID_NONE) {
    m_dlg.OnSysCommand(static_cast<unsigned>(command));
  }
}

}  // namespace harrowlander::wx
