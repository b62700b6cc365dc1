#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/posix/local_copy_endpoints.h"
#include "platform/posix/sha256.h"

namespace harrowlander::posix {
namespace {

// Read by the mebibyte, which asks for a stop often enough on any disk.
constexpr std::size_t kHashChunk = 1u << 20;

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t written = write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the rename itself durable. Some file systems refuse to sync a directory; the
// file is already in place then, so that is not worth failing the save for.
void SyncDirectory(const std::string& directory) {
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

}  // namespace

FileContent PosixFileSystem::ReadFileContent(const std::string& path) {
  using Status = FileContent::Status;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return {};
  }
  struct stat status {};
  if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    close(fd);
    return {};
  }
  FileContent result{Status::kRead, {}, {}};
  char buffer[4096];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      result = {Status::kReadFailed, {}, ErrorText(errno)};
      break;
    }
    if (got == 0) {
      break;
    }
    result.bytes.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return result;
}

FileResult PosixFileSystem::ReplaceFilePrivately(const std::string& path,
                                                 const std::string& content) {
  std::string pattern = path + ".XXXXXX";
  std::vector<char> tempName(pattern.begin(), pattern.end());
  tempName.push_back('\0');
  // mkostemp creates the file exclusively under a fresh name, readable and writable by
  // the owner only.
  int fd = mkostemp(tempName.data(), O_CLOEXEC);
  if (fd < 0) {
    return {false, ErrorText(errno)};
  }
  bool ok = WriteAll(fd, content) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(tempName.data(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(tempName.data());
    return {false, ErrorText(error)};
  }
  SyncDirectory(DirectoryOf(path));
  return {true, {}};
}

FileResult PosixFileSystem::MoveOver(const std::string& from, const std::string& path) {
  if (IsUncPath(from) || IsUncPath(path)) {
    return {false, "this workstation reaches no network share"};
  }
  // Whoever wrote the file may not have synced it: its content reaches the disk before
  // the name that says it is complete.
  const int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return {false, ErrorText(errno)};
  }
  const bool synced = fsync(fd) == 0;
  const int error = errno;
  close(fd);
  if (!synced) {
    return {false, ErrorText(error)};
  }
  if (rename(from.c_str(), path.c_str()) != 0) {
    return {false, ErrorText(errno)};
  }
  SyncDirectory(DirectoryOf(path));
  return {true, {}};
}

CopyOutcome PosixFileSystem::CopyFile(const std::string& source, const std::string& destination,
                                      CopyObserver& observer) {
  if (IsUncPath(source) || IsUncPath(destination)) {
    return CopyFailed("this workstation reaches no network share");
  }
  return CopyLocalFile(source, destination, observer);
}

std::optional<std::uint64_t> PosixFileSystem::FileSize(const std::string& path) {
  struct stat info {};
  if (IsUncPath(path) || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::uint64_t> PosixFileSystem::FreeSpace(const std::string& path) {
  struct statvfs info {};
  if (IsUncPath(path) || statvfs(DirectoryOf(path).c_str(), &info) != 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

bool PosixFileSystem::DeleteFile(const std::string& path) {
  return !IsUncPath(path) && unlink(path.c_str()) == 0;
}

bool PosixFileSystem::CanOpenForReading(const std::string& path) {
  if (IsUncPath(path)) {
    return false;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  struct stat info {};
  const bool isFile = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
  close(fd);
  return isFile;
}

std::optional<std::string> PosixFileSystem::Sha256OfFile(
    const std::string& path, const std::function<bool()>& stopRequested) {
  if (IsUncPath(path)) {
    return std::nullopt;
  }
  const std::unique_ptr<CopySource> file = OpenLocalSource(path);
  if (!file) {
    return std::nullopt;
  }
  return Sha256OfContent(*file, kHashChunk, stopRequested);
}

}  // namespace harrowlander::posix
