#include "platform/smb/smb_copy_endpoints.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/smb/connection_cut.h"
#include "platform/smb/library_threads.h"
#include "platform/smb/smb_context.h"
#include "platform/smb/smb_stream_file.h"

namespace harrowlander::smb {
namespace {

// Where a file of a share is reached and how it was opened, so that another stream, or
// the same one after a failure of the network, can open it too.
struct FileOnShare {
  int port;
  std::string server;
  SmbClient::Account account;
  std::string url;
  int flags;
};

// A server that stopped answering holds every request on its connections, closing them
// included, for the library's whole timeout: they are cut, so that the old ones end at
// once and only the new connection has to wait for the server.
void CutIfUnanswered(const FileOnShare& file, int error) {
  if (error == ETIMEDOUT) {
    CutConnectionsTo(file.server, file.port);
  }
}

// A stream over a connection of its own, which it replaces after a failure of the
// network.
class StreamFile {
 public:
  StreamFile(const FileOnShare& where, std::unique_ptr<SmbStreamFile> file)
      : m_where(where), m_file(std::move(file)) {}
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) {
    if (!m_file) {
      errno = ENOTCONN;
      return -1;
    }
    return m_file->ReadAt(offset, buffer, size);
  }
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) {
    if (!m_file) {
      errno = ENOTCONN;
      return false;
    }
    return m_file->WriteAt(offset, data, size);
  }
  bool Reconnect(int error) {
    CutIfUnanswered(m_where, error);
    m_file.reset();
    m_file = SmbStreamFile::Open(m_where.port, m_where.server, m_where.account, m_where.url,
                                 m_where.flags);
    return m_file != nullptr;
  }

 private:
  const FileOnShare& m_where;  // the source's or destination's, which outlives the stream
  std::unique_ptr<SmbStreamFile> m_file;
};

class StreamReader : public posix::CopyReader {
 public:
  StreamReader(const FileOnShare& where, std::unique_ptr<SmbStreamFile> file)
      : m_file(where, std::move(file)) {}
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    return m_file.ReadAt(offset, buffer, size);
  }
  bool OverNetwork() const override { return true; }
  bool Reconnect(int error) override { return m_file.Reconnect(error); }

 private:
  StreamFile m_file;
};

class StreamWriter : public posix::CopyWriter {
 public:
  StreamWriter(const FileOnShare& where, std::unique_ptr<SmbStreamFile> file)
      : m_file(where, std::move(file)) {}
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    return m_file.WriteAt(offset, data, size);
  }
  bool OverNetwork() const override { return true; }
  bool Reconnect(int error) override { return m_file.Reconnect(error); }

 private:
  StreamFile m_file;
};

// The file opened on the client's own context, whose log-on has already connected it:
// used by the copy's first stream and, once the streams are done, by the calling thread.
// Where the library serves one thread only, every stream shares it under the process's
// lock; its generation tells a stream whether another one has opened it again since the
// stream's failure.
class MainHandle {
 public:
  MainHandle(SMBCCTX* context, SMBCFILE* file, FileOnShare where)
      : m_context(context), m_file(file), m_where(std::move(where)) {}
  ~MainHandle() { Close(); }

  const FileOnShare& Where() const { return m_where; }

  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size, unsigned& generation) {
    auto lock = SmbClient::LockForContextCall();
    generation = m_generation;
    if (m_file == nullptr) {
      errno = ENOTCONN;
      return -1;
    }
    return ReadAtOffset(m_context, m_file, offset, buffer, size);
  }
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size, unsigned& generation) {
    auto lock = SmbClient::LockForContextCall();
    generation = m_generation;
    if (m_file == nullptr) {
      errno = ENOTCONN;
      return false;
    }
    return WriteAtOffset(m_context, m_file, offset, data, size);
  }
  // Closes the file, which fails at once on a broken connection, and opens it by its
  // name again: the context connects anew when its connection is gone.
  bool Reopen(int error, unsigned generation) {
    auto lock = SmbClient::LockForConnecting(m_where.server);
    if (generation != m_generation && m_file != nullptr) {
      return true;
    }
    CutIfUnanswered(m_where, error);
    CloseFile();
    ++m_generation;
    m_file = smbc_getFunctionOpen(m_context)(m_context, m_where.url.c_str(), m_where.flags, 0);
    return m_file != nullptr;
  }
  std::optional<std::uint64_t> Size() {
    auto lock = SmbClient::Lock();
    struct stat info {};
    if (m_file == nullptr) {
      errno = ENOTCONN;
      return std::nullopt;
    }
    if (smbc_getFunctionFstat(m_context)(m_context, m_file, &info) != 0) {
      return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
  }
  bool Close() {
    auto lock = SmbClient::Lock();
    return CloseFile();
  }
  // Called under the lock.
  SMBCCTX* Context() const { return m_context; }

 private:
  bool CloseFile() {
    if (m_file == nullptr) {
      return true;
    }
    SMBCFILE* file = m_file;
    m_file = nullptr;
    return smbc_getFunctionClose(m_context)(m_context, file) == 0;
  }

  SMBCCTX* m_context;
  SMBCFILE* m_file;
  FileOnShare m_where;
  unsigned m_generation = 0;
};

// Where the library serves one thread only, a second stream shares the main handle: it
// reads or writes while the other stream's piece is on the local side.
class SharedHandleReader : public posix::CopyReader {
 public:
  explicit SharedHandleReader(MainHandle& handle) : m_handle(handle) {}
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    return m_handle.ReadAt(offset, buffer, size, m_generation);
  }
  bool OverNetwork() const override { return true; }
  bool Reconnect(int error) override { return m_handle.Reopen(error, m_generation); }

 private:
  MainHandle& m_handle;
  unsigned m_generation = 0;
};

class SharedHandleWriter : public posix::CopyWriter {
 public:
  explicit SharedHandleWriter(MainHandle& handle) : m_handle(handle) {}
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    return m_handle.WriteAt(offset, data, size, m_generation);
  }
  bool OverNetwork() const override { return true; }
  bool Reconnect(int error) override { return m_handle.Reopen(error, m_generation); }

 private:
  MainHandle& m_handle;
  unsigned m_generation = 0;
};

class SmbSource : public posix::CopySource {
 public:
  SmbSource(SMBCCTX* context, SMBCFILE* file, FileOnShare where, std::uint64_t size)
      : m_handle(context, file, std::move(where)), m_size(size) {}

  std::uint64_t Size() const override { return m_size; }
  std::optional<std::uint64_t> CurrentSize() override { return m_handle.Size(); }
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    return m_handle.ReadAt(offset, buffer, size, m_generation);
  }
  bool OverNetwork() const override { return true; }
  bool Reconnect(int error) override { return m_handle.Reopen(error, m_generation); }
  std::unique_ptr<posix::CopyReader> OpenReader() override {
    if (!LibraryThreadsEnabled()) {
      return std::make_unique<SharedHandleReader>(m_handle);
    }
    const FileOnShare& where = m_handle.Where();
    std::unique_ptr<SmbStreamFile> file =
        SmbStreamFile::Open(where.port, where.server, where.account, where.url, where.flags);
    return file ? std::make_unique<StreamReader>(where, std::move(file)) : nullptr;
  }
  void BreakOff() override { CutConnectionsTo(m_handle.Where().server, m_handle.Where().port); }

 private:
  MainHandle m_handle;
  std::uint64_t m_size;
  unsigned m_generation = 0;
};

class SmbDestination : public posix::CopyDestination {
 public:
  // part: the new file beside the destination, as a UNC path and on the share.
  SmbDestination(SMBCCTX* context, SMBCFILE* file, FileOnShare part, std::string partPath,
                 std::string url)
      : m_handle(context, file, std::move(part)),
        m_partPath(std::move(partPath)),
        m_url(std::move(url)) {}
  ~SmbDestination() override { Discard(); }

  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    return m_handle.WriteAt(offset, data, size, m_generation);
  }
  bool OverNetwork() const override { return true; }
  bool Reconnect(int error) override { return m_handle.Reopen(error, m_generation); }
  std::unique_ptr<posix::CopyWriter> OpenWriter() override {
    if (!LibraryThreadsEnabled()) {
      return std::make_unique<SharedHandleWriter>(m_handle);
    }
    const FileOnShare& where = m_handle.Where();
    std::unique_ptr<SmbStreamFile> file =
        SmbStreamFile::Open(where.port, where.server, where.account, where.url, where.flags);
    return file ? std::make_unique<StreamWriter>(where, std::move(file)) : nullptr;
  }
  // The library offers no flush: the server has the data once it answered each write,
  // and the close below waits for it.
  bool Commit(std::uint64_t size) override {
    const std::optional<std::uint64_t> written = m_handle.Size();
    if (!written) {
      return false;
    }
    if (*written != size) {
      errno = EIO;
      return false;
    }
    if (!m_handle.Close()) {
      return false;
    }
    auto lock = SmbClient::Lock();
    SMBCCTX* context = m_handle.Context();
    // An existing destination is replaced by the rename.
    if (smbc_getFunctionRename(context)(context, m_handle.Where().url.c_str(), context,
                                        m_url.c_str()) != 0) {
      return false;
    }
    m_committed = true;
    return true;
  }
  void BreakOff() override {
    m_brokenOff = true;
    CutConnectionsTo(m_handle.Where().server, m_handle.Where().port);
  }
  // A copy broken off has lost its connections to a server that did not come back in
  // time: a new one would only wait for it again.
  std::string Discard() override {
    if (m_committed || m_discarded) {
      return {};
    }
    m_discarded = true;
    m_handle.Close();
    if (m_brokenOff) {
      return m_partPath;
    }
    auto lock = SmbClient::Lock();
    SMBCCTX* context = m_handle.Context();
    if (smbc_getFunctionUnlink(context)(context, m_handle.Where().url.c_str()) == 0 ||
        errno == ENOENT) {
      return {};
    }
    return m_partPath;
  }

 private:
  MainHandle m_handle;
  std::string m_partPath;
  std::string m_url;
  unsigned m_generation = 0;
  bool m_committed = false;
  bool m_discarded = false;
  std::atomic<bool> m_brokenOff{false};
};

std::string UncText(const UncPath& path) {
  return "\\\\" + path.server + "\\" + path.share + (path.rest.empty() ? "" : "\\" + path.rest);
}

}  // namespace

std::unique_ptr<posix::CopySource> OpenSmbSource(SmbClient& client, const UncPath& path) {
  SMBCCTX* context = client.Context();
  const SmbClient::Account* account =
      context == nullptr ? nullptr : client.FindAccount(path.server, path.share);
  if (account == nullptr) {
    errno = EACCES;
    return nullptr;
  }
  const std::string url = SmbUrl(path);
  auto lock = SmbClient::Lock();
  SMBCFILE* file = smbc_getFunctionOpen(context)(context, url.c_str(), O_RDONLY, 0);
  if (file == nullptr) {
    return nullptr;
  }
  struct stat info {};
  const bool known = smbc_getFunctionFstat(context)(context, file, &info) == 0;
  if (!known || !S_ISREG(info.st_mode)) {
    const int error = known ? EISDIR : errno;
    smbc_getFunctionClose(context)(context, file);
    errno = error;
    return nullptr;
  }
  lock.unlock();
  return std::make_unique<SmbSource>(
      context, file, FileOnShare{client.Port(), path.server, *account, url, O_RDONLY},
      static_cast<std::uint64_t>(info.st_size));
}

// ".name.<pid>-<n>.part" in the destination's folder.
std::unique_ptr<posix::CopyDestination> CreateSmbDestination(SmbClient& client,
                                                             const UncPath& path) {
  SMBCCTX* context = client.Context();
  const SmbClient::Account* account =
      context == nullptr ? nullptr : client.FindAccount(path.server, path.share);
  if (account == nullptr || path.rest.empty()) {
    errno = account == nullptr ? EACCES : EISDIR;
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
      // Opened again after a failure of the network, the new file is neither made anew
      // nor emptied.
      return std::make_unique<SmbDestination>(
          context, file, FileOnShare{client.Port(), path.server, *account, partUrl, O_RDWR},
          UncText(part), SmbUrl(path));
    }
    if (errno != EEXIST) {
      return nullptr;
    }
  }
  return nullptr;
}

}  // namespace harrowlander::smb
