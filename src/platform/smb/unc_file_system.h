#pragma once

#include <chrono>

#include "platform/smb/smb_client.h"
#include "ports/file_system.h"

namespace harrowlander::smb {

// The workstation's files with UNC paths: "\\server\share\..." goes over SMB under the
// account of that share's network use (a share without one is refused: Linux holds no
// network credentials of the signed-in user to fall back on), everything else to the
// local file system.
class UncFileSystem : public FileSystem {
 public:
  // A copy whose connection broke goes on connecting again for reconnectWindow without a
  // piece getting through before it fails.
  UncFileSystem(FileSystem& local, SmbClient& client,
                std::chrono::milliseconds reconnectWindow = std::chrono::minutes(2))
      : m_local(local), m_client(client), m_reconnectWindow(reconnectWindow) {}

  FileContent ReadFileContent(const std::string& path) override;
  FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) override;
  // Local files only: a file on a share is refused.
  FileResult MoveOver(const std::string& from, const std::string& path) override;
  // A copy to or from a share runs several streams at once, each over a connection of
  // its own; see posix::CopyInPieces for what it guarantees.
  CopyOutcome CopyFile(const std::string& source, const std::string& destination,
                       CopyObserver& observer) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  // On a share: the room the server grants this account on the share's disk.
  std::optional<std::uint64_t> FreeSpace(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool CanOpenForReading(const std::string& path) override;
  // On a share: read over the client's own connection; nothing also when it breaks.
  std::optional<std::string> Sha256OfFile(const std::string& path,
                                          const std::function<bool()>& stopRequested) override;

 private:
  FileSystem& m_local;
  SmbClient& m_client;
  std::chrono::milliseconds m_reconnectWindow;
};

}  // namespace harrowlander::smb
