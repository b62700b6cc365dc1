#include "platform/posix/ended_copy_leftovers.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <optional>
#include <string_view>

namespace harrowlander::posix {
namespace {

// The process of a ".name.<pid>-<n>.part" name; nothing for any other name.
std::optional<pid_t> CopyingProcess(std::string_view name) {
  constexpr std::string_view kEnd = ".part";
  if (name.size() < 2 || name.front() != '.' || !name.ends_with(kEnd)) {
    return std::nullopt;
  }
  name.remove_suffix(kEnd.size());
  const std::size_t dot = name.rfind('.');
  const std::size_t dash = name.rfind('-');
  if (dot == 0 || dot == std::string_view::npos || dash == std::string_view::npos || dash < dot ||
      dash + 1 == name.size()) {
    return std::nullopt;
  }
  const std::string_view pid = name.substr(dot + 1, dash - dot - 1);
  const std::string_view number = name.substr(dash + 1);
  long value = 0;
  for (const std::string_view digits : {pid, number}) {
    if (digits.empty() || digits.size() > 9) {
      return std::nullopt;
    }
    for (char c : digits) {
      if (!std::isdigit(static_cast<unsigned char>(c))) {
        return std::nullopt;
      }
    }
  }
  for (char c : pid) {
    value = value * 10 + (c - '0');
  }
  return value > 0 ? std::optional<pid_t>(static_cast<pid_t>(value)) : std::nullopt;
}

bool ProcessEnded(pid_t pid) {
  return kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

void RemoveLeftoversOfEndedCopies(const std::string& folder) {
  const std::string at = folder.empty() ? "." : folder;
  DIR* directory = opendir(at.c_str());
  if (directory == nullptr) {
    return;
  }
  while (const dirent* entry = readdir(directory)) {
    const std::optional<pid_t> pid = CopyingProcess(entry->d_name);
    if (!pid || !ProcessEnded(*pid)) {
      continue;
    }
    const std::string path = (at.ends_with('/') ? at : at + "/") + entry->d_name;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid()) {
      unlink(path.c_str());
    }
  }
  closedir(directory);
}

}  // namespace harrowlander::posix
