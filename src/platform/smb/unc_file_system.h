#pragma once

#include "platform/smb/smb_client.h"
#include "ports/file_system.h"

namespace harrowlander::smb {

// The workstation's files with UNC paths: "\\server\share\..." goes over SMB under the
// account of that share's network use (a share without one is refused: Linux holds no
// network credentials of the signed-in user to fall back on), everything else to the
// local file system.
class UncFileSystem : public FileSystem {
 public:
  UncFileSystem(FileSystem& local, SmbClient& client) : m_local(local), m_client(client) {}

  std::optional<std::string> ReadWholeFile(const std::string& path) override;
  FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) override;
  // A copy to or from a share runs several streams at once, each over a connection of
  // its own; see posix::CopyInPieces for what it guarantees.
  CopyOutcome CopyFile(const std::string& source, const std::string& destination,
                       CopyObserver& observer) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  std::optional<std::uint64_t> FreeSpace(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool CanOpenForReading(const std::string& path) override;

 private:
  FileSystem& m_local;
  SmbClient& m_client;
};

}  // namespace harrowlander::smb
