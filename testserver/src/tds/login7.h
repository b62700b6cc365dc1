// Decoding of the LOGIN7 record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testserver::tds {

struct Login7 {
  uint32_t tdsVersion = 0;
  uint32_t packetSize = 4096;
  std::string hostName;
  std::string userName;
  std::string password;
  std::string appName;
  std::string serverName;  // may hold a NUL, as clients send "host\0port"
  std::string database;
  bool integratedSecurity = false;  // SSPI blob present: user and password are empty
};

std::optional<Login7> ParseLogin7(const std::vector<uint8_t>& payload);

}  // namespace testserver::tds
