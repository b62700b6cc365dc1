#pragma once

#include <wx/dialog.h>

#include "gui/wx/template_controls.h"
#include "res/dialog_templates.h"

namespace harrowlander::wx {

// A dialog made from a template: caption, frame, font, client size in dialog units,
// and its controls.
class TemplateDialog : public wxDialog {
 public:
  TemplateDialog(wxWindow* parent, const res::DialogTemplate& dialogTemplate);

  const ControlMap& controls() const { return m_controls; }
  wxWindow* Control(int id) const;

 private:
  ControlMap m_controls;
};

}  // namespace harrowlander::wx
