#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "gui/cli/console.h"
#include "ports/file_system.h"

namespace harrowlander::cli {

// The path made absolute from the current directory, with this system's separators, as
// a file dialog gives it; a UNC path stays as it is.
std::string FullPath(const std::string& path);

// The size of a file on this machine; nothing when it cannot be read (a UNC path).
std::optional<std::uint64_t> LocalFileSize(const std::string& path);

// The archiver when --archiver names none: where WinRAR installs itself on Windows,
// the first rar on the PATH elsewhere.
std::string DefaultArchiver(Console& console, FileSystem& files);

}  // namespace harrowlander::cli
