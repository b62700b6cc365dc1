#include "platform/posix/local_copy_endpoints.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "platform/posix/ended_copy_leftovers.h"
#include "platform/posix/written_bytes_digest.h"

namespace harrowlander::posix {
namespace {

// Pieces of the kernel's copy: large, since the kernel moves them without a buffer of
// ours, and still small enough for the progress text to move along.
constexpr std::size_t kKernelPiece = 16u << 20;
// Where the kernel cannot copy between the two files: through buffers of ours, two
// streams, so that one reads while the other writes.
constexpr CopyPlan kBufferPlan{1u << 20, 2};

std::optional<std::uint64_t> SizeOf(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(info.st_size);
}

// pread and pwrite leave the descriptor's offset alone, so every stream of a copy
// shares the one descriptor.
class LocalReader : public CopyReader {
 public:
  explicit LocalReader(int fd) : m_fd(fd) {}
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t got = pread(m_fd, buffer, size, static_cast<off_t>(offset));
      if (got >= 0 || errno != EINTR) {
        return got;
      }
    }
  }

 private:
  int m_fd;
};

class LocalWriter : public CopyWriter {
 public:
  explicit LocalWriter(int fd) : m_fd(fd) {}
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    const std::uint64_t start = offset;
    std::size_t left = size;
    while (left > 0) {
      const ssize_t written = pwrite(m_fd, data, left, static_cast<off_t>(offset));
      if (written < 0) {
        if (errno == EINTR) {
          continue;
        }
        return false;
      }
      data += written;
      offset += static_cast<std::uint64_t>(written);
      left -= static_cast<std::size_t>(written);
    }
    // Starts the write-back of the piece now, so that the sync before the rename finds
    // little left to do.
    sync_file_range(m_fd, static_cast<off_t>(start), static_cast<off_t>(size),
                    SYNC_FILE_RANGE_WRITE);
    return true;
  }

 private:
  int m_fd;
};

class LocalSource : public CopySource {
 public:
  LocalSource(int fd, std::uint64_t size) : m_fd(fd), m_size(size), m_reader(fd) {}
  ~LocalSource() override { close(m_fd); }

  std::uint64_t Size() const override { return m_size; }
  std::optional<std::uint64_t> CurrentSize() override { return SizeOf(m_fd); }
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    return m_reader.ReadAt(offset, buffer, size);
  }
  std::unique_ptr<CopyReader> OpenReader() override { return std::make_unique<LocalReader>(m_fd); }
  int Descriptor() const { return m_fd; }

 private:
  int m_fd;
  std::uint64_t m_size;
  LocalReader m_reader;
};

// Makes the rename itself durable. Some file systems refuse to sync a folder; the file
// is in place then all the same.
void SyncFolder(const std::string& folder, const CommitCalls& calls) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    calls.sync(fd);
    close(fd);
  }
}

class LocalDestination : public CopyDestination {
 public:
  LocalDestination(int fd, std::string folder, std::string partPath, std::string path,
                   CommitCalls calls)
      : m_fd(fd),
        m_folder(std::move(folder)),
        m_partPath(std::move(partPath)),
        m_path(std::move(path)),
        m_writer(fd),
        m_calls(std::move(calls)) {}
  ~LocalDestination() override { Discard(); }

  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    return m_writer.WriteAt(offset, data, size);
  }
  std::unique_ptr<CopyWriter> OpenWriter() override { return std::make_unique<LocalWriter>(m_fd); }
  bool Commit(std::uint64_t size) override {
    const int fd = m_fd;
    m_fd = -1;
    // The content reaches the disk before the name that says it is complete: else a
    // crash could leave the destination renamed but empty.
    const bool whole = SizeOf(fd) == size && m_calls.sync(fd) == 0;
    if (close(fd) != 0 || !whole || m_calls.rename(m_partPath.c_str(), m_path.c_str()) != 0) {
      return false;
    }
    m_committed = true;
    SyncFolder(m_folder, m_calls);
    return true;
  }
  // A local file can always be removed by whoever could create it.
  std::string Discard() override {
    if (m_fd >= 0) {
      close(m_fd);
      m_fd = -1;
    }
    if (!m_committed && !m_discarded) {
      unlink(m_partPath.c_str());
      m_discarded = true;
    }
    return {};
  }
  int Descriptor() const { return m_fd; }

 private:
  int m_fd;
  std::string m_folder;
  std::string m_partPath;
  std::string m_path;
  LocalWriter m_writer;
  CommitCalls m_calls;
  bool m_committed = false;
  bool m_discarded = false;
};

std::unique_ptr<LocalSource> OpenSource(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return nullptr;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<LocalSource>(fd, static_cast<std::uint64_t>(info.st_size));
}

// ".name.<pid>-<n>.part" in the destination's folder: hidden, and unique among
// processes and among the copies of this one.
std::unique_ptr<LocalDestination> CreateDestination(const std::string& path, CommitCalls calls) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  RemoveLeftoversOfEndedCopies(folder);
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string part = folder + "." + name + "." + std::to_string(getpid()) + "-" +
                             std::to_string(counter++) + ".part";
    // Readable too: the copy's digest reads what was written.
    const int fd = open(part.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      return std::make_unique<LocalDestination>(fd, folder, part, path, std::move(calls));
    }
    if (errno != EEXIST) {
      return nullptr;
    }
  }
  return nullptr;
}

// copy_file_range in pieces, with the digest taken from the new file's pages behind it.
// Nothing copied when the kernel cannot do it for these two files (another file system,
// an old kernel): the caller copies through buffers then.
enum class KernelCopy { kDone, kFailed, kStopped, kUnsupported };

KernelCopy CopyInKernel(LocalSource& source, LocalDestination& destination, CopyObserver& observer,
                        std::string& reason, std::string& sha256) {
  WrittenBytesDigest digest(destination.Descriptor());
  if (!digest.Start()) {
    reason = ErrorText(EAGAIN);
    return KernelCopy::kFailed;
  }
  std::uint64_t copied = 0;
  for (;;) {
    if (observer.StopRequested()) {
      return KernelCopy::kStopped;
    }
    const ssize_t moved = copy_file_range(source.Descriptor(), nullptr, destination.Descriptor(),
                                          nullptr, kKernelPiece, 0);
    if (moved < 0) {
      if (errno == EINTR) {
        continue;
      }
      const bool unsupported = copied == 0 && (errno == EXDEV || errno == ENOSYS ||
                                               errno == EINVAL || errno == EOPNOTSUPP);
      reason = ErrorText(errno);
      return unsupported ? KernelCopy::kUnsupported : KernelCopy::kFailed;
    }
    if (moved == 0) {
      // The end of the file: the copy holds what the file held at opening, and still
      // holds.
      if (copied != source.Size() || source.CurrentSize() != copied) {
        reason = kSourceChangedReason;
        return KernelCopy::kFailed;
      }
      sha256 = digest.Finish(copied);
      if (sha256.empty()) {
        reason = kNoDigestReason;
        return KernelCopy::kFailed;
      }
      return KernelCopy::kDone;
    }
    // The write-back of the piece starts now, while the digest is still reading: the
    // sync before the rename then finds little left to do.
    sync_file_range(destination.Descriptor(), static_cast<off_t>(copied), moved,
                    SYNC_FILE_RANGE_WRITE);
    copied += static_cast<std::uint64_t>(moved);
    digest.WrittenUpTo(copied);
    observer.Progress(source.Size(), copied);
  }
}

}  // namespace

std::unique_ptr<CopySource> OpenLocalSource(const std::string& path) {
  return OpenSource(path);
}

std::unique_ptr<CopyDestination> CreateLocalDestination(const std::string& path,
                                                        CommitCalls calls) {
  return CreateDestination(path, std::move(calls));
}

CopyOutcome CopyLocalFile(const std::string& source, const std::string& destination,
                          CopyObserver& observer) {
  errno = 0;
  std::unique_ptr<LocalSource> from = OpenSource(source);
  if (!from) {
    return CopyFailed(errno != 0 ? ErrorText(errno) : "the source is no regular file");
  }
  std::unique_ptr<LocalDestination> to = CreateDestination(destination, {});
  if (!to) {
    return CopyFailed(ErrorText(errno != 0 ? errno : EIO));
  }
  observer.Progress(from->Size(), 0);
  std::string reason;
  std::string sha256;
  switch (CopyInKernel(*from, *to, observer, reason, sha256)) {
    case KernelCopy::kDone:
      errno = 0;
      if (!to->Commit(from->Size())) {
        return CopyFailed(ErrorText(errno != 0 ? errno : EIO));
      }
      return {CopyOutcome::Status::kCopied, {}, {}, std::move(sha256)};
    case KernelCopy::kFailed:
      return CopyFailed(reason);
    case KernelCopy::kStopped:
      return {CopyOutcome::Status::kStopped, {}, {}};
    case KernelCopy::kUnsupported:
      break;
  }
  return CopyInPieces(*from, *to, kBufferPlan, observer);
}

}  // namespace harrowlander::posix
