#include "platform/smb/smb_stream_file.h"

#include <cerrno>

#include "platform/smb/library_threads.h"
#include "platform/smb/smb_context.h"

namespace harrowlander::smb {
namespace {

void SupplyStreamAccount(SMBCCTX* context, const char*, const char*, char* workgroup,
                         int workgroupSize, char* user, int userSize, char* password,
                         int passwordSize) {
  const auto* account = static_cast<const SmbClient::Account*>(smbc_getOptionUserData(context));
  FillAccount(account, workgroup, workgroupSize, user, userSize, password, passwordSize);
}

}  // namespace

std::unique_ptr<SmbStreamFile> SmbStreamFile::Open(int port, const std::string& server,
                                                   const SmbClient::Account& account,
                                                   const std::string& url, int flags) {
  if (!LibraryThreadsEnabled()) {
    return nullptr;
  }
  std::unique_ptr<SmbStreamFile> stream(new SmbStreamFile(account));
  {
    auto lock = SmbClient::Lock();
    stream->m_context = NewSmbContext(port, &stream->m_account, SupplyStreamAccount);
    if (stream->m_context == nullptr) {
      return nullptr;
    }
  }
  auto lock = SmbClient::LockForConnecting(server);
  SMBCCTX* context = stream->m_context;
  stream->m_file = smbc_getFunctionOpen(context)(context, url.c_str(), flags, 0);
  if (stream->m_file == nullptr) {
    const int error = errno;
    lock = {};
    stream.reset();
    errno = error;
    return nullptr;
  }
  return stream;
}

SmbStreamFile::~SmbStreamFile() {
  if (m_context == nullptr) {
    return;
  }
  // Closing and logging off wait for the server, which this context's own thread may
  // do without the lock; only freeing the context concerns the library as a whole.
  if (m_file != nullptr) {
    smbc_getFunctionClose(m_context)(m_context, m_file);
  }
  smbc_getFunctionPurgeCachedServers(m_context)(m_context);
  auto lock = SmbClient::Lock();
  smbc_free_context(m_context, 1);
}

long SmbStreamFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) {
  return ReadAtOffset(m_context, m_file, offset, buffer, size);
}

bool SmbStreamFile::WriteAt(std::uint64_t offset, const char* data, std::size_t size) {
  return WriteAtOffset(m_context, m_file, offset, data, size);
}

long ReadAtOffset(SMBCCTX* context, SMBCFILE* file, std::uint64_t offset, char* buffer,
                  std::size_t size) {
  if (smbc_getFunctionLseek(context)(context, file, static_cast<off_t>(offset), SEEK_SET) < 0) {
    return -1;
  }
  return smbc_getFunctionRead(context)(context, file, buffer, size);
}

bool WriteAtOffset(SMBCCTX* context, SMBCFILE* file, std::uint64_t offset, const char* data,
                   std::size_t size) {
  if (smbc_getFunctionLseek(context)(context, file, static_cast<off_t>(offset), SEEK_SET) < 0) {
    return false;
  }
  while (size > 0) {
    const ssize_t written = smbc_getFunctionWrite(context)(context, file, data, size);
    if (written <= 0) {
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace harrowlander::smb
