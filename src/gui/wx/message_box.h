#pragma once

#include <wx/window.h>

#include <string>

namespace harrowlander::wx {

// A modal message box with the window-system style bits of the core (mb::...): OK or
// Yes/No buttons (labelled 是(Y)/否(N)), the icon, No as default on kDefButton2.
// Returns kIdOk, kIdYes or kIdNo.
int ShowMessageBox(wxWindow* owner, const std::string& text, const std::string& caption,
                   unsigned style);

}  // namespace harrowlander::wx
