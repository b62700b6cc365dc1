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
  // Reads and writes on a share go in pieces of 1 MiB: larger ones gain nothing, and
  // beyond the server's largest read they slow down sharply.
  bool CopyFile(const std::string& source, const std::string& destination,
                const CopyProgressCallback& progress) override;
  bool DeleteFile(const std::string& path) override;
  bool CanOpenForReading(const std::string& path) override;

 private:
  FileSystem& m_local;
  SmbClient& m_client;
};

}  // namespace harrowlander::smb
