#pragma once

#include <string>

namespace harrowlander::posix {

// Removes from the folder the new files of copies whose process has ended without
// finishing them (killed, or the machine lost its power): ".name.<pid>-<n>.part" files
// of this user whose process no longer exists. A process that still runs, or any other
// file, is left alone.
void RemoveLeftoversOfEndedCopies(const std::string& folder);

}  // namespace harrowlander::posix
