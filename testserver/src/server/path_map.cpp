#include "path_map.h"

#include <cctype>
#include <system_error>
#include <vector>

#include "../text.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {

// The existing entry of `dir` whose name equals `name` without regard to case, else `name`.
std::string ResolveComponent(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  if (fs::exists(dir / name, ec)) {
    return name;
  }
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string candidate = it->path().filename().string();
    if (EqualsNoCase(candidate, name)) {
      return candidate;
    }
  }
  return name;
}

}  // namespace

std::optional<fs::path> PathMap::Map(std::string_view serverPath) const {
  if (serverPath.empty()) {
    return std::nullopt;
  }
  if (serverPath.front() == '/') {
    return fs::path(serverPath);
  }
  bool hasDrive = serverPath.size() >= 2 && serverPath[1] == ':' &&
                  std::isalpha(static_cast<unsigned char>(serverPath[0]));
  if (!hasDrive) {
    return std::nullopt;
  }
  std::vector<std::string> parts;
  std::string current;
  for (char c : serverPath.substr(2)) {
    if (c == '\\' || c == '/') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);

  fs::path mapped = m_root / ToLower(serverPath.substr(0, 1));
  size_t depth = 0;
  for (const std::string& raw : parts) {
    // Windows ignores trailing blanks and dots of a path component.
    std::string part = raw;
    while (!part.empty() && (part.back() == ' ' || part.back() == '.') && part != "..") {
      part.pop_back();
    }
    if (part.empty() || part == ".") {
      continue;
    }
    if (part == "..") {
      if (depth > 0) {
        mapped = mapped.parent_path();
        --depth;
      }
      continue;
    }
    mapped /= ResolveComponent(mapped, part);
    ++depth;
  }
  return mapped;
}

}  // namespace testserver
