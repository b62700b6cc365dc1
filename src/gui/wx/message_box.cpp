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
  wxStyle |= yesNo ? (wxYES_NO | ((style & mb::kDefButton2) ? wxNO_DEFAULT : wxYES_DEFAULT)) : wxOK;
  wxMessageDialog box(owner, ToWx(text), ToWx(caption), wxStyle);
  if (yesNo) {
    box.SetYesNoLabels(wxString::FromUTF8("是(&Y)"), wxString::FromUTF8("否(&N)"));
  } else {
    box.SetOKLabel(wxString::FromUTF8("确定"));
  }
  switch (box.ShowModal()) {
    case wxID_YES:
      return kIdYes;
    case wxID_NO:
      return kIdNo;
    default:
      return kIdOk;
  }
}

}  // namespace harrowlander::wx
