#pragma once

#include <optional>
#include <string>

namespace harrowlander {

struct FileResult {
  bool ok = false;
  std::string error;  // the system's description when !ok
};

// The workstation's files. Paths are UTF-8.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content; nothing when the file cannot be opened for reading.
  virtual std::optional<std::string> ReadWholeFile(const std::string& path) = 0;

  // Replaces the file's content all at once: the new content is written beside it and
  // moved over it, so that on any failure the old file stays as it was. The file is
  // readable and writable by its owner only.
  virtual FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) = 0;
};

}  // namespace harrowlander
