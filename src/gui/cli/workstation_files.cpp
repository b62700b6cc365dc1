#include "gui/cli/workstation_files.h"

#include <algorithm>
#include <filesystem>

namespace harrowlander::cli {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 whatever the system's own encoding is.
std::filesystem::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool IsUncPath(const std::string& path) {
  return path.starts_with("\\\\");
}

}  // namespace

std::string FullPath(const std::string& path) {
  if (IsUncPath(path)) {
    return path;
  }
  std::error_code error;
  fs::path full = fs::absolute(PathOf(path), error);
  return error ? path : Utf8Of(full.make_preferred());
}

std::string BackupDestinationProblem(const std::string& path, bool probeWriting) {
#ifndef _WIN32
  if (IsUncPath(path)) {
    return {};
  }
#endif
  const fs::path file = PathOf(path);
  std::error_code error;
  if (fs::is_directory(file, error)) {
    return "this is a folder; name the backup file in it";
  }
  const fs::path folder = file.parent_path();
  if (!fs::is_directory(folder, error)) {
    return fs::exists(folder, error) ? "'" + Utf8Of(folder) + "' is not a folder"
                                     : "the folder '" + Utf8Of(folder) + "' does not exist";
  }
  if (probeWriting) {
    if (const std::string refused = CannotCreateFileBeside(path); !refused.empty()) {
      return "no file can be made in '" + Utf8Of(folder) + "': " + refused;
    }
  }
  return {};
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
  if (IsUncPath(folder)) {
    return folder + (folder.ends_with("\\") ? "" : "\\") + name;
  }
  return Utf8Of((PathOf(folder) / PathOf(name)).make_preferred());
}

std::optional<std::vector<std::string>> FileNamesIn(const std::string& folder) {
  std::error_code error;
  fs::directory_iterator entries(PathOf(folder), error);
  if (error) {
    return std::nullopt;
  }
  std::vector<std::string> names;
  for (; entries != fs::directory_iterator(); entries.increment(error)) {
    if (error) {
      return std::nullopt;
    }
    std::error_code typeError;
    if (entries->is_regular_file(typeError)) {
      names.push_back(Utf8Of(entries->path().filename()));
    }
  }
  if (error) {
    return std::nullopt;
  }
  return names;
}

std::optional<std::uint64_t> LocalFileSize(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(PathOf(path), error);
  return error ? std::nullopt : std::optional<std::uint64_t>(size);
}

std::string DefaultArchiver(Console& console, FileSystem& files) {
#ifdef _WIN32
  (void)console;
  (void)files;
  return "C:\\Program Files\\WinRAR\\WinRAR.exe";
#else
  const std::string path = console.Environment("PATH").value_or("");
  for (size_t start = 0; start <= path.size();) {
    const size_t end = std::min(path.find(':', start), path.size());
    const std::string directory = path.substr(start, end - start);
    const std::string candidate = (directory.empty() ? "." : directory) + "/rar";
    if (files.CanOpenForReading(candidate)) {
      return candidate;
    }
    start = end + 1;
  }
  return "rar";
#endif
}

}  // namespace harrowlander::cli
