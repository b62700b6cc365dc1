// The SQL Server Browser protocol (UDP): clients ask which instances run on a host
// and on which TCP port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testserver {

struct BrowserInfo {
  std::string serverName;
  std::string instance;
  uint16_t tcpPort = 0;
  std::string version = "8.00.2039";  // the release played
};

// The datagram to send back, or nullopt when the request gets no answer (an unknown
// request or another instance's name).
std::optional<std::vector<uint8_t>> BrowserReply(const std::vector<uint8_t>& request,
                                                 const BrowserInfo& info);

}  // namespace testserver
