#pragma once

#include <string>

namespace harrowlander::win32 {

// The system's description of an error code (GetLastError), in UTF-8 and without the
// line break the system ends it with; the code in figures when the system has none.
std::string SystemErrorText(unsigned long error);

}  // namespace harrowlander::win32
