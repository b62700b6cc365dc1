#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "ports/server_browser.h"

namespace harrowlander::posix {

// Finds SQL Servers the way the SQL Server Browser protocol lets clients do it: a
// CLNT_BCAST_EX datagram to UDP port 1434 of `address` (for the local network: of
// every broadcast target of the machine's interfaces), then every SVR_RESP reply that
// arrives within `wait`. Each instance a reply names becomes one entry, listed once
// however many of the datagrams reached it: "HOST" for the default instance, else
// "HOST\INSTANCE". The status is an error only when no datagram could be sent.
class SqlBrowserClient : public ServerBrowser {
 public:
  // The product asks the whole local network; tests pass a loopback address.
  static constexpr std::string_view kLocalNetworkBroadcast = "255.255.255.255";

  explicit SqlBrowserClient(std::string address = std::string(kLocalNetworkBroadcast),
                            int port = 1434,
                            std::chrono::milliseconds wait = std::chrono::milliseconds(2000));

  ServerEnumeration EnumerateSqlServers() override;

 private:
  std::string m_address;
  int m_port;
  std::chrono::milliseconds m_wait;
};

// The entries of one SVR_RESP datagram (0x05, length, "Key;Value;...;;" per
// instance); none when it is not one.
std::vector<ServerEntry> ParseBrowserResponse(std::string_view datagram);

}  // namespace harrowlander::posix
