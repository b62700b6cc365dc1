#include "gui/wx/status_line.h"

namespace harrowlander::wx {
namespace {

constexpr int kMargin = 2;

}  // namespace

StatusLine::StatusLine(wxWindow* parent, int id, const wxRect& rect)
    : wxPanel(parent, id, rect.GetPosition(), rect.GetSize(), wxBORDER_SUNKEN) {
  // Creation asked the panel's own AcceptsFocus, which says yes.
  SetCanFocus(false);
  const wxSize inner = GetClientSize();
  m_label =
      new wxStaticText(this, wxID_ANY, wxString(), wxPoint(kMargin, kMargin),
                       wxSize(inner.x - 2 * kMargin, inner.y - 2 * kMargin), wxST_NO_AUTORESIZE);
}

void StatusLine::SetText(const wxString& text) {
  m_text = text;
  m_label->SetLabel(text);
  m_label->Wrap(m_label->GetSize().x);
}

}  // namespace harrowlander::wx
