#include "gui/wx/settings_text_filter.h"

#include <wx/textctrl.h>
#include <wx/utils.h>

#include "gui/wx/wx_text.h"
#include "ports/text_codec.h"

namespace harrowlander::wx {

void RefuseTextTheSettingsCannotHold(wxTextCtrl& edit, TextCodec& codec) {
  // Bound on the edit itself, so that it runs before a combo box passes the change on:
  // the dialog's handlers only ever see text the file can hold.
  edit.Bind(wxEVT_TEXT, [&edit, &codec](wxCommandEvent& event) {
    event.Skip();
    const wxString text = edit.GetValue();
    if (codec.RoundTrips(FromWx(text))) {
      return;
    }
    // wx strings hold one character in each element here (UTF-32 on GTK).
    long caret = edit.GetInsertionPoint();
    wxString kept;
    for (size_t at = 0; at < text.length(); ++at) {
      const wxString character(text[at]);
      if (codec.RoundTrips(FromWx(character))) {
        kept += character;
      } else if (static_cast<long>(at) < caret) {
        --caret;
      }
    }
    edit.ChangeValue(kept);
    edit.SetInsertionPoint(caret);
    wxBell();
  });
}

}  // namespace harrowlander::wx
