#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "gui/cli/workstation_files.h"

namespace harrowlander::cli {

std::string CannotCreateFileBeside(const std::string& path) {
  // mkstemp makes a file of a fresh name, readable and writable by its owner only.
  std::string name = path + ".~XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    return std::strerror(errno);
  }
  ::close(fd);
  ::unlink(name.c_str());
  return {};
}

}  // namespace harrowlander::cli
