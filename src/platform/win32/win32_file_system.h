#pragma once

#include <chrono>

#include "ports/file_system.h"

namespace harrowlander::win32 {

// Files through the W functions of the system. UNC paths take the same calls: the
// system reaches them under the workstation's network uses (NetUseNetworkSession), or
// else under the signed-in user's own credentials.
class Win32FileSystem : public FileSystem {
 public:
  // A copy over the network whose connection broke goes on trying for reconnectWindow
  // without a byte getting through before it fails.
  explicit Win32FileSystem(std::chrono::milliseconds reconnectWindow = std::chrono::minutes(2))
      : m_reconnectWindow(reconnectWindow) {}

  // Nothing for a folder or a file another program holds without sharing it for reading.
  // Opened with every kind of sharing allowed, so that a file another program still has
  // open for writing reads as it stands.
  FileContent ReadFileContent(const std::string& path) override;
  // Writes a new file beside the target, flushes it to the disk and moves it over the
  // target; on failure the new file is deleted and the target is left untouched. The
  // file takes the access rules of its folder: in the user's profile (the settings go
  // to the user's temporary directory) those let in only the user, the administrators
  // and the system.
  FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) override;
  // MoveFileExW replacing the target, returning once the move is on the disk. Whoever
  // wrote `from` has flushed it (the server writes its backups through).
  FileResult MoveOver(const std::string& from, const std::string& path) override;
  // The system's copy with its progress routine, into a new file beside the destination
  // that is then moved over it. A copy to or from a share is restartable: after a
  // failure of the network it goes on where it broke off. The system's copy hands over
  // no bytes, so the digest comes from reading the new file back once before the move:
  // from the local disk (mostly its cache) for a copy to the workstation, over the
  // network for one to a share.
  CopyOutcome CopyFile(const std::string& source, const std::string& destination,
                       CopyObserver& observer) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  // The room the user may take on the folder's disk, a share's too.
  std::optional<std::uint64_t> FreeSpace(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  // Opened as ReadFileContent opens; a folder does not count.
  bool CanOpenForReading(const std::string& path) override;
  // Through CNG; opened as ReadFileContent opens.
  std::optional<std::string> Sha256OfFile(const std::string& path,
                                          const std::function<bool()>& stopRequested) override;

 private:
  std::chrono::milliseconds m_reconnectWindow;
};

}  // namespace harrowlander::win32
