#pragma once

#include "gui/wx/template_dialog.h"

namespace harrowlander::wx {

// The About box (template 100); its button 1 closes it.
class AboutBox : public TemplateDialog {
 public:
  explicit AboutBox(wxWindow* parent);
};

}  // namespace harrowlander::wx
