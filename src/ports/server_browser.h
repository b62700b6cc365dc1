#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace harrowlander {

// One SQL Server that answered the enumeration, shaped like the network browse
// service's level-101 record. Text is UTF-8.
struct ServerEntry {
  std::uint32_t platformId = 0;
  std::string name;  // "HOST" or "HOST\INSTANCE"
  std::uint32_t versionMajor = 0;
  std::uint32_t versionMinor = 0;
  std::uint32_t type = 0;  // bit 0x8 primary, 0x10 backup domain controller
  std::string comment;
};

struct ServerEnumeration {
  static constexpr std::uint32_t kSuccess = 0;
  static constexpr std::uint32_t kMoreData = 234;

  std::uint32_t status = kSuccess;   // kSuccess, kMoreData, or a system error code
  std::vector<ServerEntry> entries;  // in the order received
  std::uint32_t totalEntries = 0;    // how many exist, when status is kMoreData
};

// Finds the SQL Servers that announce themselves on the local network. Blocks for a
// bounded time (a few seconds at most) and never throws.
class ServerBrowser {
 public:
  virtual ~ServerBrowser() = default;

  virtual ServerEnumeration EnumerateSqlServers() = 0;
};

}  // namespace harrowlander
