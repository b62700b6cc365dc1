#include "gui/wx/combo_text_limit.h"

#include <wx/odcombo.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

namespace harrowlander::wx {
namespace {

// The width the edit shows text in: its own width less the frame and padding that
// GTK draws around the text.
int VisibleTextWidth(const wxTextCtrl& edit) {
  return edit.GetClientSize().x - edit.GetSizeFromTextSize(0).x;
}

bool Fits(const wxTextCtrl& edit, const wxString& text) {
  return edit.GetTextExtent(text).x <= VisibleTextWidth(edit);
}

}  // namespace

void LimitToVisibleWidth(wxOwnerDrawnComboBox& combo) {
  wxTextCtrl* edit = combo.GetTextCtrl();
  if (edit == nullptr) {
    return;
  }
  // The edit's own handler runs before the combo box passes the change on, so the
  // dialog's handlers only ever see text that fits.
  edit->Bind(wxEVT_TEXT, [edit](wxCommandEvent& event) {
    event.Skip();
    wxString text = edit->GetValue();
    if (Fits(*edit, text)) {
      return;
    }
    // What was just typed or pasted stands before the caret: take it back until the
    // rest fits.
    long caret = edit->GetInsertionPoint();
    if (caret <= 0 || caret > static_cast<long>(text.length())) {
      caret = static_cast<long>(text.length());
    }
    while (caret > 0 && !Fits(*edit, text)) {
      text.erase(static_cast<size_t>(--caret), 1);
    }
    edit->ChangeValue(text);
    edit->SetInsertionPoint(caret);
    wxBell();
  });
}

}  // namespace harrowlander::wx
