#pragma once

#include "platform/win32/windows_api.h"

#include <optional>
#include <string>

#include "ports/dialog_window.h"

namespace harrowlander::win32 {

// The common dialog's filter from the core's "Label|pattern|Label|pattern||": the bars
// become the NULs that separate and end the pairs.
std::wstring FileDialogFilter(const std::string& filter);

// The system's Open or Save dialog, owned by `owner`; the chosen path, or nothing when
// the user cancelled.
std::optional<std::string> ShowFileDialog(HWND owner, const FileDialogRequest& request);

}  // namespace harrowlander::win32
