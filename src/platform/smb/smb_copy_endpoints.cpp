#include "platform/smb/smb_copy_endpoints.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/smb/library_threads.h"
#include "platform/smb/smb_context.h"
#include "platform/smb/smb_stream_file.h"

namespace harrowlander::smb {
namespace {

// Where a file of a share is reached, so that another stream can reach it too.
struct SharedFile {
  SMBCCTX* context;
  SMBCFILE* file;
  int port;
  std::string server;
  SmbClient::Account account;
  std::string url;
};

// A stream over a connection of its own.
class StreamReader : public posix::CopyReader {
 public:
  explicit StreamReader(std::unique_ptr<SmbStreamFile> file) : m_file(std::move(file)) {}
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    return m_file->ReadAt(offset, buffer, size);
  }

 private:
  std::unique_ptr<SmbStreamFile> m_file;
};

class StreamWriter : public posix::CopyWriter {
 public:
  explicit StreamWriter(std::unique_ptr<SmbStreamFile> file) : m_file(std::move(file)) {}
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    return m_file->WriteAt(offset, data, size);
  }

 private:
  std::unique_ptr<SmbStreamFile> m_file;
};

// Where the library serves one thread only, a second stream shares the client's open
// file: it reads or writes while the other stream's piece is on the local side.
class SharedHandleReader : public posix::CopyReader {
 public:
  explicit SharedHandleReader(const SharedFile& shared) : m_shared(shared) {}
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    auto lock = SmbClient::Lock();
    return ReadAtOffset(m_shared.context, m_shared.file, offset, buffer, size);
  }

 private:
  const SharedFile& m_shared;
};

class SharedHandleWriter : public posix::CopyWriter {
 public:
  explicit SharedHandleWriter(const SharedFile& shared) : m_shared(shared) {}
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    auto lock = SmbClient::Lock();
    return WriteAtOffset(m_shared.context, m_shared.file, offset, data, size);
  }

 private:
  const SharedFile& m_shared;
};

std::optional<std::uint64_t> SizeOf(const SharedFile& shared) {
  auto lock = SmbClient::Lock();
  struct stat info {};
  if (smbc_getFunctionFstat(shared.context)(shared.context, shared.file, &info) != 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(info.st_size);
}

class SmbSource : public posix::CopySource {
 public:
  SmbSource(SharedFile shared, std::uint64_t size) : m_shared(std::move(shared)), m_size(size) {}
  ~SmbSource() override {
    auto lock = SmbClient::Lock();
    smbc_getFunctionClose(m_shared.context)(m_shared.context, m_shared.file);
  }

  std::uint64_t Size() const override { return m_size; }
  std::optional<std::uint64_t> CurrentSize() override { return SizeOf(m_shared); }
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    auto lock = SmbClient::LockForContextCall();
    return ReadAtOffset(m_shared.context, m_shared.file, offset, buffer, size);
  }
  std::unique_ptr<posix::CopyReader> OpenReader() override {
    if (!LibraryThreadsEnabled()) {
      return std::make_unique<SharedHandleReader>(m_shared);
    }
    std::unique_ptr<SmbStreamFile> file = SmbStreamFile::Open(
        m_shared.port, m_shared.server, m_shared.account, m_shared.url, O_RDONLY);
    return file ? std::make_unique<StreamReader>(std::move(file)) : nullptr;
  }

 private:
  SharedFile m_shared;
  std::uint64_t m_size;
};

class SmbDestination : public posix::CopyDestination {
 public:
  SmbDestination(SharedFile shared, std::string url)
      : m_shared(std::move(shared)), m_url(std::move(url)) {}
  ~SmbDestination() override {
    auto lock = SmbClient::Lock();
    SMBCCTX* context = m_shared.context;
    if (m_shared.file != nullptr) {
      smbc_getFunctionClose(context)(context, m_shared.file);
    }
    if (!m_committed) {
      smbc_getFunctionUnlink(context)(context, m_shared.url.c_str());
    }
  }

  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    auto lock = SmbClient::LockForContextCall();
    return WriteAtOffset(m_shared.context, m_shared.file, offset, data, size);
  }
  std::unique_ptr<posix::CopyWriter> OpenWriter() override {
    if (!LibraryThreadsEnabled()) {
      return std::make_unique<SharedHandleWriter>(m_shared);
    }
    std::unique_ptr<SmbStreamFile> file = SmbStreamFile::Open(
        m_shared.port, m_shared.server, m_shared.account, m_shared.url, O_WRONLY);
    return file ? std::make_unique<StreamWriter>(std::move(file)) : nullptr;
  }
  // The library offers no flush: the server has the data once it answered each write,
  // and the close below waits for it.
  bool Commit(std::uint64_t size) override {
    if (SizeOf(m_shared) != size) {
      return false;
    }
    auto lock = SmbClient::Lock();
    SMBCCTX* context = m_shared.context;
    SMBCFILE* file = m_shared.file;
    m_shared.file = nullptr;
    if (smbc_getFunctionClose(context)(context, file) != 0) {
      return false;
    }
    // An existing destination is replaced by the rename.
    if (smbc_getFunctionRename(context)(context, m_shared.url.c_str(), context, m_url.c_str()) !=
        0) {
      return false;
    }
    m_committed = true;
    return true;
  }

 private:
  SharedFile m_shared;  // the new file beside the destination
  std::string m_url;
  bool m_committed = false;
};

}  // namespace

std::unique_ptr<posix::CopySource> OpenSmbSource(SmbClient& client, const UncPath& path) {
  SMBCCTX* context = client.Context();
  const SmbClient::Account* account =
      context == nullptr ? nullptr : client.FindAccount(path.server, path.share);
  if (account == nullptr) {
    return nullptr;
  }
  const std::string url = SmbUrl(path);
  auto lock = SmbClient::Lock();
  SMBCFILE* file = smbc_getFunctionOpen(context)(context, url.c_str(), O_RDONLY, 0);
  if (file == nullptr) {
    return nullptr;
  }
  struct stat info {};
  if (smbc_getFunctionFstat(context)(context, file, &info) != 0 || !S_ISREG(info.st_mode)) {
    smbc_getFunctionClose(context)(context, file);
    return nullptr;
  }
  lock.unlock();
  return std::make_unique<SmbSource>(
      SharedFile{context, file, client.Port(), path.server, *account, url},
      static_cast<std::uint64_t>(info.st_size));
}

// ".name.<pid>-<n>.part" in the destination's folder.
std::unique_ptr<posix::CopyDestination> CreateSmbDestination(SmbClient& client,
                                                             const UncPath& path) {
  SMBCCTX* context = client.Context();
  const SmbClient::Account* account =
      context == nullptr ? nullptr : client.FindAccount(path.server, path.share);
  if (account == nullptr || path.rest.empty()) {
    return nullptr;
  }
  const std::size_t slash = path.rest.rfind('\\');
  const std::string folder = slash == std::string::npos ? "" : path.rest.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path.rest : path.rest.substr(slash + 1);
  static std::atomic<unsigned> counter{0};
  auto lock = SmbClient::Lock();
  for (int attempt = 0; attempt < 100; ++attempt) {
    UncPath part = path;
    part.rest = folder + "." + name + "." + std::to_string(getpid()) + "-" +
                std::to_string(counter++) + ".part";
    const std::string partUrl = SmbUrl(part);
    // Read access as well, for the size that Commit checks.
    SMBCFILE* file =
        smbc_getFunctionOpen(context)(context, partUrl.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
    if (file != nullptr) {
      lock.unlock();
      return std::make_unique<SmbDestination>(
          SharedFile{context, file, client.Port(), path.server, *account, partUrl}, SmbUrl(path));
    }
    if (errno != EEXIST) {
      return nullptr;
    }
  }
  return nullptr;
}

}  // namespace harrowlander::smb
