#include "platform/posix/lock_file_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/posix/posix_system_info.h"

namespace harrowlander::posix {
namespace {

// Why the directory is no place for the lock, or null when it is the user's own and
// no one else may create or replace files in it.
const char* WhyNotPrivate(const struct stat& info) {
  if (!S_ISDIR(info.st_mode)) {
    return "not a directory";
  }
  if (info.st_uid != geteuid()) {
    return "owned by another user";
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return "writable by group or others";
  }
  return nullptr;
}

std::optional<std::string> UsableRuntimeDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat info {};
  if (runtime == nullptr || runtime[0] != '/' || stat(runtime, &info) != 0 ||
      WhyNotPrivate(info) != nullptr) {
    return std::nullopt;
  }
  return std::string(runtime);
}

std::string Failure(const std::string& path, const char* reason) {
  return path + ": " + reason;
}

}  // namespace

LockFileInstanceLock::LockFileInstanceLock(std::string name) {
  if (std::optional<std::string> runtime = UsableRuntimeDirectory()) {
    m_directory = *runtime;
    m_directoryIsRuntime = true;
  } else if (std::optional<std::string> cache = PosixSystemInfo().SettingsDirectory()) {
    m_directory = *cache + "/harrowlander";
  } else {
    return;
  }
  m_path = m_directory + "/" + name + ".lock";
}

LockFileInstanceLock::~LockFileInstanceLock() {
  Release();
}

LockAttempt LockFileInstanceLock::TryAcquire() {
  using Result = LockAttempt::Result;
  if (m_fd >= 0) {
    return {Result::kTaken, {}};
  }
  if (m_directory.empty()) {
    return {Result::kFailed, "no home directory to keep the lock file in"};
  }
  if (!m_directoryIsRuntime && mkdir(m_directory.c_str(), 0700) != 0 && errno != EEXIST) {
    return {Result::kFailed, Failure(m_directory, std::strerror(errno))};
  }
  // The directory is checked through the descriptor the file is then opened in, so
  // it cannot be swapped for another between the check and the use.
  const int directory = open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC |
                                                      (m_directoryIsRuntime ? 0 : O_NOFOLLOW));
  if (directory < 0) {
    return {Result::kFailed, Failure(m_directory, std::strerror(errno))};
  }
  struct stat info {};
  const char* notPrivate =
      fstat(directory, &info) != 0 ? std::strerror(errno) : WhyNotPrivate(info);
  if (notPrivate != nullptr) {
    close(directory);
    return {Result::kFailed, Failure(m_directory, notPrivate)};
  }
  const std::string file = m_path.substr(m_directory.size() + 1);
  // Close-on-exec: a program this one starts must not carry the lock on.
  const int fd = openat(directory, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  const int openError = errno;
  close(directory);
  if (fd < 0) {
    return {Result::kFailed, Failure(m_path, std::strerror(openError))};
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int lockError = errno;
    close(fd);
    if (lockError == EWOULDBLOCK) {
      return {Result::kHeldByAnotherInstance, {}};
    }
    return {Result::kFailed, Failure(m_path, std::strerror(lockError))};
  }
  m_fd = fd;
  return {Result::kTaken, {}};
}

void LockFileInstanceLock::Release() {
  if (m_fd < 0) {
    return;
  }
  flock(m_fd, LOCK_UN);
  close(m_fd);
  m_fd = -1;
}

}  // namespace harrowlander::posix
