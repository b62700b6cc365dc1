#include "gui/wx/message_box.h"

#include <wx/msgdlg.h>

#include "gui/wx/wx_text.h"
#include "ports/dialog_window.h"

namespace harrowlander::wx {
namespace {

long IconStyle(unsigned style) {
  switch (style & 0xF0) {
    case mb::kIconHand:
      return wxICON_ERROR;
    case mb::kIconQuestion:
      return wxICON_QUESTION;
    case mb::kIconExclamation:
      return wxICON_WARNING;
    case mb::kIconInformation:
      return wxICON_INFORMATION;
    default:
      return wxICON_NONE;
  }
}

}  // namespace

int ShowMessageBox(wxWindow* owner, const std::string& text, const std::string& caption,
                   unsigned style) {
  const bool yesNo = (style & 0xF) == mb::kYesNo;
  long wxStyle = IconStyle(style) | wxCENTRE;
  if (owner == nullptr) {
    wxStyle |= wxDIALOG_NO_PARENT;  // else wx would make the active window its owner
  }
  wxStyle |= yesNo ? (wxYES_NO | ((style & mb::kDefButton2) ? wxNO_DEFAULT : wxYES_DEFAULT)) : wxOK;
  wxMessageDialog box(owner, ToWx(text), ToWx(caption), wxStyle);
  if (yesNo) {
    box.SetYesNoLabels(wxString::FromUTF8("是(&Y)"), wxString::FromUTF8("否(&N)"));
  } else {
    box.SetOKLabel(wxString::FromUTF8("确定"));
  }
  // A box closed without an answer (Esc, the title bar's close) is never consent.
  const int answer = box.ShowModal();
  if (yesNo) {
    return answer == wxID_YES ? kIdYes : kIdNo;
  }
  return kIdOk;
}

}  // namespace harrowlander::wx
