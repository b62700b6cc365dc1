#include "platform/posix/freetds_client_utility.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

namespace harrowlander::posix {
namespace {

constexpr std::string_view kTemplate =
    "# FreeTDS client configuration for this user.\n"
    "# Harrowlander reaches SQL Server through FreeTDS. A section named here can be typed\n"
    "# into its server box in place of a host name. Lines starting with ; or # are comments.\n"
    "#\n"
    "# [global]\n"
    "#\ttds version = 7.1\n"
    "#\tclient charset = UTF-8\n"
    "#\n"
    "# [MYSERVER]\n"
    "#\thost = <host name or address>\n"
    "#\tport = 1433\n"
    "#\ttds version = 7.1\n";

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    return home;
  }
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return found->pw_dir;
  }
  return "/";
}

// A file that already exists is left exactly as it is.
void CreateFromTemplate(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    return;
  }
  std::string_view rest = kTemplate;
  while (!rest.empty()) {
    const ssize_t written = write(fd, rest.data(), rest.size());
    if (written <= 0) {
      break;
    }
    rest.remove_prefix(static_cast<size_t>(written));
  }
  close(fd);
}

// The program's full path from the search path; the bare name when it is not found,
// which then fails to start and is reported as any other program that cannot start.
std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view directories = path != nullptr ? path : "/usr/bin:/bin";
  while (!directories.empty()) {
    const size_t colon = directories.find(':');
    const std::string directory(directories.substr(0, colon));
    directories.remove_prefix(colon == std::string_view::npos ? directories.size() : colon + 1);
    const std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return name;
}

}  // namespace

ProgramInvocation FreeTdsClientUtility::Prepare() {
  const std::string config = HomeDirectory() + "/.freetds.conf";
  CreateFromTemplate(config);
  return {FindOnPath("xdg-open"), " \"" + config + "\""};
}

}  // namespace harrowlander::posix
