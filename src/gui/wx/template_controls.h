#pragma once

#include <wx/window.h>

#include <map>

#include "gui/wx/dialog_units.h"
#include "res/dialog_templates.h"

namespace harrowlander::wx {

// The controls of a template that have an id, by id.
using ControlMap = std::map<int, wxWindow*>;

// Creates the template's controls on the dialog, in tab order, at their positions in
// dialog units, with their texts and styles. The dialog's font must already be set.
ControlMap CreateTemplateControls(wxWindow& dialog, const res::DialogTemplate& dialogTemplate,
                                  const DialogUnits& units);

}  // namespace harrowlander::wx
