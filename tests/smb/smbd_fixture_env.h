#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace harrowlander::smb::testing {

// The share every smbd of tests/smb/with_smbd.sh offers on its own port.
inline constexpr const char* kScratchShare = R"(\\127.0.0.1\scratch)";

// A variable with_smbd.sh sets (the account, the configuration, the ports); "" outside it.
inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace harrowlander::smb::testing
