#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gui/cli/console.h"
#include "ports/file_system.h"

namespace harrowlander::cli {

// The path made absolute from the current directory, with this system's separators, as
// a file dialog gives it; a UNC path stays as it is.
std::string FullPath(const std::string& path);

// Why a backup file cannot be written at the full path `path`: it names a folder, or
// its folder is not there, or (with `probeWriting`) no new file can be made there.
// Empty when nothing stands in the way. On Linux a UNC path is not checked: only the
// copy itself reaches the share.
std::string BackupDestinationProblem(const std::string& path, bool probeWriting);

// Makes a new file beside `path`, readable by its owner only, and removes it again: the
// system's reason when that fails, empty when it worked.
std::string CannotCreateFileBeside(const std::string& path);

// The file `name` in the folder `folder` (a full path), with this system's separator
// (a backslash in a UNC path).
std::string PathInFolder(const std::string& folder, const std::string& name);

// The names of the plain files in the folder; nothing when it cannot be listed.
std::optional<std::vector<std::string>> FileNamesIn(const std::string& folder);

// The size of a file on this machine; nothing when it cannot be read (a UNC path).
std::optional<std::uint64_t> LocalFileSize(const std::string& path);

// The archiver when --archiver names none: where WinRAR installs itself on Windows,
// the first rar on the PATH elsewhere.
std::string DefaultArchiver(Console& console, FileSystem& files);

}  // namespace harrowlander::cli
