#pragma once

#include <wx/panel.h>
#include <wx/stattext.h>

namespace harrowlander::wx {

// A static text with a sunken border whose text wraps within its area. GTK draws no
// border around a plain label, so the border is a panel's and the label sits in it.
class StatusLine : public wxPanel {
 public:
  StatusLine(wxWindow* parent, int id, const wxRect& rect);

  // The text as it was set, without the line breaks that wrapping adds.
  wxString GetText() const { return m_text; }
  void SetText(const wxString& text);

  // Not a tab stop, and no click gives it the focus.
  bool AcceptsFocus() const override { return false; }
  bool AcceptsFocusFromKeyboard() const override { return false; }
  bool AcceptsFocusRecursively() const override { return false; }

 private:
  wxStaticText* m_label;
  wxString m_text;
};

}  // namespace harrowlander::wx
