#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

// The SHA-256 of what the open file holds from its current position to its end, read
// by the mebibyte and hashed with the system's CNG (BCrypt), as 64 lowercase hex
// digits. Nothing when a read fails (error: the system's code), when CNG fails (error:
// ERROR_INVALID_FUNCTION), or when stopRequested (which may be empty) answers true
// before a piece (error: ERROR_REQUEST_ABORTED).
std::optional<std::string> Sha256OfOpenFile(HANDLE file, const std::function<bool()>& stopRequested,
                                            DWORD& error);

}  // namespace harrowlander::win32
