#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace harrowlander::testing {

// A kind of server the tool meets, as testserver plays it: the newest TDS version it
// answers and the encryption it offers. A test prints it as the testserver arguments
// that make such a server, which is how the Windows bridge script learns which server
// to start for it.
struct ServerKind {
  const char* tdsVersion = "7.4";
  const char* encryption = nullptr;  // "off" (the login only) or "required"; nullptr: none

  std::vector<std::string> Arguments() const {
    std::vector<std::string> args = {"--tds-version", tdsVersion};
    if (encryption != nullptr) {
      args.insert(args.end(), {"--encryption", encryption});
    }
    return args;
  }
};

inline void PrintTo(const ServerKind& kind, std::ostream* out) {
  const char* separator = "";
  for (const std::string& arg : kind.Arguments()) {
    *out << separator << arg;
    separator = " ";
  }
}

// "Tds71", "Tds74EncryptionRequired": for test names.
inline std::string ServerKindName(const ::testing::TestParamInfo<ServerKind>& info) {
  std::string name = "Tds";
  for (const char* c = info.param.tdsVersion; *c != '\0'; ++c) {
    if (*c != '.') {
      name += *c;
    }
  }
  if (info.param.encryption != nullptr) {
    name += std::string("Encryption") +
            static_cast<char>(std::toupper(static_cast<unsigned char>(info.param.encryption[0]))) +
            (info.param.encryption + 1);
  }
  return name;
}

// SQL Server 2000 as it answers (TDS 7.1), and the newest protocol.
inline const ServerKind kOldAndNewServers[] = {{"7.4"}, {"7.1"}};

// The same, and each of them encrypting the login only or everything.
inline const ServerKind kServersWithAndWithoutEncryption[] = {
    {"7.4"}, {"7.1"}, {"7.1", "off"}, {"7.4", "required"}};

}  // namespace harrowlander::testing
