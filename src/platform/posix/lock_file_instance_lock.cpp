#include "platform/posix/lock_file_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace harrowlander::posix {
namespace {

std::string LockPath(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat info {};
  if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &info) == 0 &&
      S_ISDIR(info.st_mode)) {
    return std::string(runtime) + "/" + name + ".lock";
  }
  return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

}  // namespace

LockFileInstanceLock::LockFileInstanceLock(std::string name) : m_path(LockPath(name)) {}

LockFileInstanceLock::~LockFileInstanceLock() {
  Release();
}

bool LockFileInstanceLock::TryAcquire() {
  if (m_fd >= 0) {
    return true;
  }
  // Close-on-exec: a program this one starts must not carry the lock on.
  const int fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  m_fd = fd;
  return true;
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
