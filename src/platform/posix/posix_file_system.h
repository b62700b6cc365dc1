#pragma once

#include "ports/file_system.h"

namespace harrowlander::posix {

// Local files through the POSIX calls.
class PosixFileSystem : public FileSystem {
 public:
  // A folder counts as a file that does not open.
  FileContent ReadFileContent(const std::string& path) override;
  // Writes a new file (mode 0600) beside the target, syncs it and renames it over the
  // target; on failure the new file is removed and the target is left untouched.
  FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) override;
  // Syncs `from`, renames it and syncs the folder. Local paths only.
  FileResult MoveOver(const std::string& from, const std::string& path) override;
  // Local paths only: a UNC path fails here (see platform/smb for those).
  CopyOutcome CopyFile(const std::string& source, const std::string& destination,
                       CopyObserver& observer) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  std::optional<std::uint64_t> FreeSpace(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool CanOpenForReading(const std::string& path) override;
  // Nothing for a UNC path, a folder or a read error.
  std::optional<std::string> Sha256OfFile(const std::string& path,
                                          const std::function<bool()>& stopRequested) override;
};

}  // namespace harrowlander::posix
