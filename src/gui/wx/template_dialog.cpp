#include "gui/wx/template_dialog.h"

#include "gui/wx/dialog_units.h"
#include "gui/wx/template_font.h"
#include "gui/wx/wx_text.h"

namespace harrowlander::wx {
namespace {

long FrameStyle(const res::DialogTemplate& dialogTemplate) {
  long style = wxCAPTION | wxDIALOG_NO_PARENT;
  if (dialogTemplate.hasSystemMenu) {
    style |= wxSYSTEM_MENU | wxCLOSE_BOX;
  }
  if (dialogTemplate.hasMinimizeBox) {
    style |= wxMINIMIZE_BOX;
  }
  return style;
}

}  // namespace

TemplateDialog::TemplateDialog(wxWindow* parent, const res::DialogTemplate& dialogTemplate) {
  // The font comes before any measurement: dialog units are taken from it.
  Create(parent, wxID_ANY, ToWx(dialogTemplate.caption), wxDefaultPosition, wxDefaultSize,
         FrameStyle(dialogTemplate) & ~(parent != nullptr ? wxDIALOG_NO_PARENT : 0));
  SetFont(TemplateFont(dialogTemplate));
  const DialogUnits units(*this);
  m_controls = CreateTemplateControls(*this, dialogTemplate, units);
  SetClientSize(units.Size(dialogTemplate.width, dialogTemplate.height));
  Centre();
}

wxWindow* TemplateDialog::Control(int id) const {
  const auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : it->second;
}

}  // namespace harrowlander::wx
