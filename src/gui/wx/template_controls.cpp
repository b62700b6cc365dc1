#include "gui/wx/template_controls.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/odcombo.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "gui/wx/app_icon.h"
#include "gui/wx/combo_text_limit.h"
#include "gui/wx/status_line.h"
#include "gui/wx/wx_text.h"

namespace harrowlander::wx {
namespace {

using res::ControlKind;
using res::ControlTemplate;

// The edit part of a closed combo box: as tall as an edit control of the template.
constexpr int kComboEditHeight = 14;

long TextStyle(unsigned styles) {
  long style = 0;
  if (styles & res::kReadOnly)
    style |= wxTE_READONLY;
  if (styles & res::kPassword)
    style |= wxTE_PASSWORD;
  if (styles & res::kRightAligned)
    style |= wxTE_RIGHT;
  return style;
}

// GTK draws a check or radio box no smaller than its indicator and label need, and
// complains when given less: such a box grows to its best size, to the right and evenly
// up and down, so that its indicator and text stay where the template puts them.
template <typename Box>
Box* AtLeastBestSize(Box* box, const wxRect& rect) {
  const wxSize best = box->GetBestSize();
  const int height = std::max(rect.height, best.y);
  box->SetSize(rect.x, rect.y - (height - rect.height) / 2, std::max(rect.width, best.x), height);
  return box;
}

wxWindow* CreateControl(wxWindow& parent, const ControlTemplate& control,
                        const DialogUnits& units) {
  const int id = control.id == res::kNoId ? wxID_ANY : control.id;
  const wxRect rect = units.ToPixels(control.rect);
  const wxPoint pos = rect.GetPosition();
  const wxSize size = rect.GetSize();
  const wxString text = ToWx(control.text);
  switch (control.kind) {
    case ControlKind::kRadioButton:
      return AtLeastBestSize(
          new wxRadioButton(&parent, id, text, pos, size, control.groupStart ? wxRB_GROUP : 0),
          rect);
    case ControlKind::kCheckBox:
      return AtLeastBestSize(new wxCheckBox(&parent, id, text, pos, size), rect);
    case ControlKind::kGroupBox:
      return new wxStaticBox(&parent, id, text, pos, size);
    case ControlKind::kLabel: {
      auto* label = new wxStaticText(&parent, id, wxString(), pos, size, wxST_NO_AUTORESIZE);
      if (control.styles & res::kNoPrefix) {
        label->SetLabelText(text);
      } else {
        label->SetLabel(text);
      }
      label->Wrap(size.x);  // a static text of the template breaks its lines at blanks
      return label;
    }
    case ControlKind::kComboDropDown: {
      // The generic combo asks for its list before it sizes and shows the popup, so a
      // handler that refills the list on drop-down shows the new list at its full size.
      auto* combo = new wxOwnerDrawnComboBox(
          &parent, id, wxString(), pos, wxSize(size.x, units.Y(kComboEditHeight)), 0, nullptr, 0);
      combo->SetPopupMaxHeight(size.y - units.Y(kComboEditHeight));
      // Lay out the edit part now: until its first size event it is a 10-pixel sliver,
      // which GTK complains about when the window is shown.
      combo->SendSizeEvent();
      LimitToVisibleWidth(*combo);
      return combo;
    }
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton: {
      auto* button = new wxButton(&parent, id, text, pos, size);
      if (control.kind == ControlKind::kDefaultPushButton) {
        button->SetDefault();
      }
      return button;
    }
    case ControlKind::kEdit:
      return new wxTextCtrl(&parent, id, wxString(), pos, size, TextStyle(control.styles));
    case ControlKind::kStatusText:
      return new StatusLine(&parent, id, rect);
    case ControlKind::kIcon:
      return new wxStaticBitmap(&parent, id, ApplicationIcon(32), pos);
  }
  return nullptr;
}

// A Windows radio group may have no radio checked; GTK always keeps one checked and
// ignores unchecking it. So each group ends in a hidden radio, checked in place of
// none of the visible ones (see WxDialogWindow::SetCheck).
void AddNoChoiceRadio(wxWindow& parent) {
  auto* none = new wxRadioButton(&parent, wxID_ANY, wxString());
  none->Hide();
  none->DisableFocusFromKeyboard();
}

}  // namespace

ControlMap CreateTemplateControls(wxWindow& dialog, const res::DialogTemplate& dialogTemplate,
                                  const DialogUnits& units) {
  ControlMap controls;
  bool radioGroupOpen = false;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    const bool radio = control.kind == ControlKind::kRadioButton;
    if (radioGroupOpen && (!radio || control.groupStart)) {
      AddNoChoiceRadio(dialog);
    }
    radioGroupOpen = radio;
    wxWindow* window = CreateControl(dialog, control, units);
    if (!control.tabStop) {
      window->DisableFocusFromKeyboard();
    }
    if (control.id != res::kNoId) {
      controls[control.id] = window;
    }
  }
  if (radioGroupOpen) {
    AddNoChoiceRadio(dialog);
  }
  return controls;
}

}  // namespace harrowlander::wx
