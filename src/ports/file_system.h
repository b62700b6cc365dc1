#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace harrowlander {

struct FileResult {
  bool ok = false;
  std::string error;  // the system's description when !ok
};

// Called during a copy with the file's total size and the bytes copied so far, once
// when the copy starts and again after each piece.
using CopyProgressCallback = std::function<void(std::uint64_t totalSize, std::uint64_t copied)>;

// The workstation's files. Paths are UTF-8; a path that begins with two backslashes is a
// UNC path, "\\server\share\folder\file", reached through the workstation's network
// log-ons (NetworkSession).
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content; nothing when the file cannot be opened for reading.
  virtual std::optional<std::string> ReadWholeFile(const std::string& path) = 0;

  // Replaces the file's content all at once: the new content is written beside it and
  // moved over it, so that on any failure the old file stays as it was. The file is
  // readable and writable by its owner only.
  virtual FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) = 0;

  // Copies the file, local or UNC on either side. The copy goes to a new file beside the
  // destination, which replaces an existing destination only once it is complete; on
  // failure the destination is as it was. False when the copy failed.
  virtual bool CopyFile(const std::string& source, const std::string& destination,
                        const CopyProgressCallback& progress) = 0;

  // False when the file could not be deleted (also when it does not exist).
  virtual bool DeleteFile(const std::string& path) = 0;

  // Whether the file can be opened for reading; it is closed again at once.
  virtual bool CanOpenForReading(const std::string& path) = 0;
};

}  // namespace harrowlander
