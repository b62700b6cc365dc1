#pragma once

#include <string>

#include "ports/platform.h"

namespace harrowlander {

// The archive beside the backup: a final ".bak", in any letter case, replaced by
// ".rar"; any other name gets ".rar" added, so the archive is never the backup itself.
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

// Whether a password entry holds a double quote. The archiver reads its command line
// (and its RAR variable) by rules of its own, which may take a quote otherwise than it
// was written and so encrypt with another password: such a password is not passed on.
bool ArchivePasswordHasQuote(const std::string& password, const std::string& passwordConfirmation);

// How the archiver is started for the backup. Where other users of the machine can read
// a running program's command line, the password switch goes in the RAR environment
// variable instead, from which the archiver takes default switches; the command line
// then reads as without a password.
struct ArchiverStart {
  std::string commandLine;
  ExtraEnvironment environment;
};
ArchiverStart BuildArchiverStart(const std::string& backupPath, const std::string& password,
                                 const std::string& passwordConfirmation,
                                 bool commandLinesVisibleToOthers);

}  // namespace harrowlander
