#pragma once

#include <wx/window.h>

#include <optional>
#include <string>

#include "ports/dialog_window.h"

namespace harrowlander::wx {

// The Windows-style filter "Label|pattern|...||" as a wx wildcard.
wxString WildcardOf(const std::string& filter);

// A modal Open or Save dialog for the request; the chosen path, with the default
// extension added when the name has none, or nothing when cancelled.
std::optional<std::string> ShowFileDialog(wxWindow* owner, const FileDialogRequest& request);

}  // namespace harrowlander::wx
