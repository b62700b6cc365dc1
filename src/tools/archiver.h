#pragma once

#include <string>

#include "ports/platform.h"

namespace harrowlander {

// The archive beside the backup: every ".bak" in the path replaced by ".rar".
std::string ArchivePath(const std::string& backupPath);

// True when rarExePath names a file that can be opened, after asking the user for the
// archiver when it does not; false when the user cancelled. The chosen path is kept in
// rarExePath.
bool LocateArchiver(Platform& platform, std::string& rarExePath);

// The archiver's command line (without the program's name) that packs the backup into
// the archive, encrypted with the password when both entries are equal and not empty,
// deleting the backup file once it is packed.
std::string BuildArchiverCommandLine(const std::string& backupPath, const std::string& password,
                                     const std::string& passwordConfirmation);

}  // namespace harrowlander
