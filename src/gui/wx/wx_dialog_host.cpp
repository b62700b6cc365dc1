#include "gui/wx/wx_dialog_host.h"

#include "gui/wx/main_dialog.h"

namespace harrowlander::wx {
namespace {

// The focus goes where a Windows dialog puts it: on the first control that takes it
// from the keyboard.
void FocusFirstTabStop(wxWindow& dialog) {
  for (wxWindow* child : dialog.GetChildren()) {
    if (child->IsEnabled() && child->CanAcceptFocusFromKeyboard()) {
      child->SetFocus();
      return;
    }
  }
}

}  // namespace

int WxDialogHost::RunModal(CHarrowlanderDlg& dialog) {
  MainDialog window(dialog, m_window);
  m_window.Attach(&window, window.controls());
  dialog.OnInitDialog();
  window.CallAfter([&window] { FocusFirstTabStop(window); });
  const int result = window.ShowModal();
  m_window.Detach();
  return result;
}

}  // namespace harrowlander::wx
