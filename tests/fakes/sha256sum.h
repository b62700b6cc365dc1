#pragma once

#include <stdio.h>

#include <filesystem>
#include <string>

namespace harrowlander::testing {

// What coreutils' sha256sum says of the file: 64 lowercase hex digits, or "" when it
// could not read it. The tests hold the adapters' digests against it.
inline std::string Sha256Sum(const std::filesystem::path& path) {
  std::string out;
  if (FILE* pipe = ::popen(("sha256sum -b '" + path.string() + "' 2>/dev/null").c_str(), "r")) {
    char buffer[128];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
      out.append(buffer, got);
    }
    if (::pclose(pipe) != 0) {
      out.clear();
    }
  }
  return out.substr(0, out.find(' '));
}

}  // namespace harrowlander::testing
