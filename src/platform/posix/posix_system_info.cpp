#include "platform/posix/posix_system_info.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace harrowlander::posix {
namespace {

bool IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

std::optional<std::string> HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home)) {
    return std::string(home);
  }
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      IsAbsolute(found->pw_dir)) {
    return std::string(found->pw_dir);
  }
  return std::nullopt;
}

// Creates each missing directory of the path with mode 0700. A failure is left for
// the file operations to report: they name the file and the reason.
void CreatePrivateDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
    if (slash == std::string::npos) {
      break;
    }
  }
}

}  // namespace

std::optional<std::string> PosixSystemInfo::SettingsDirectory() {
  std::string directory;
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (IsAbsolute(cache)) {
    directory = cache;
  } else if (std::optional<std::string> home = HomeDirectory()) {
    directory = *home + "/.cache";
  } else {
    return std::nullopt;
  }
  CreatePrivateDirectories(directory);
  return directory;
}

}  // namespace harrowlander::posix
