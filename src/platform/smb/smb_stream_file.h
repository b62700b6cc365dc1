#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/smb/smb_client.h"

struct _SMBCCTX;
struct _SMBCFILE;

namespace harrowlander::smb {

// One file of a share opened over a connection of its own, for one stream of a copy:
// a libsmbclient context of its own, logged on with the share's account, used by one
// thread at a time. Only where the library serves several threads.
class SmbStreamFile {
 public:
  // The file at the URL on server, opened with the open(2) flags; nothing when the
  // library serves one thread only or the file cannot be opened.
  static std::unique_ptr<SmbStreamFile> Open(int port, const std::string& server,
                                             const SmbClient::Account& account,
                                             const std::string& url, int flags);
  // Closes the file and the connection.
  ~SmbStreamFile();
  SmbStreamFile(const SmbStreamFile&) = delete;
  SmbStreamFile& operator=(const SmbStreamFile&) = delete;

  // As CopyReader::ReadAt and CopyWriter::WriteAt.
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size);
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size);

 private:
  explicit SmbStreamFile(const SmbClient::Account& account) : m_account(account) {}

  SmbClient::Account m_account;  // the context asks for it on each log-on
  _SMBCCTX* m_context = nullptr;
  _SMBCFILE* m_file = nullptr;
};

// The same on a file opened on any context, used under the given context's rules of
// locking: reads and writes at an offset.
long ReadAtOffset(_SMBCCTX* context, _SMBCFILE* file, std::uint64_t offset, char* buffer,
                  std::size_t size);
bool WriteAtOffset(_SMBCCTX* context, _SMBCFILE* file, std::uint64_t offset, const char* data,
                   std::size_t size);

}  // namespace harrowlander::smb
