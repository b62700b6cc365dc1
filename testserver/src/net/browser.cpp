#include "browser.h"

#include <algorithm>

#include "../text.h"

namespace testserver {

namespace {
constexpr uint8_t kBroadcastEx = 0x02, kUnicastEx = 0x03, kUnicastInstance = 0x04;
constexpr uint8_t kServerResponse = 0x05;
}  // namespace

std::optional<std::vector<uint8_t>> BrowserReply(const std::vector<uint8_t>& request,
                                                 const BrowserInfo& info) {
  if (request.empty()) {
    return std::nullopt;
  }
  uint8_t kind = request[0];
  if (kind == kUnicastInstance) {
    std::string asked(request.begin() + 1, request.end());
    asked = asked.substr(0, asked.find('\0'));
    if (!EqualsNoCase(asked, info.instance)) {
      return std::nullopt;
    }
  } else if (kind != kBroadcastEx && kind != kUnicastEx) {
    return std::nullopt;
  }
  std::string text = "ServerName;" + info.serverName + ";InstanceName;" + info.instance +
                     ";IsClustered;No;Version;" + info.version + ";tcp;" +
                     std::to_string(info.tcpPort) + ";;";
  std::vector<uint8_t> reply(3 + text.size());
  reply[0] = kServerResponse;
  reply[1] = static_cast<uint8_t>(text.size() & 0xFF);
  reply[2] = static_cast<uint8_t>(text.size() >> 8);
  std::copy(text.begin(), text.end(), reply.begin() + 3);
  return reply;
}

}  // namespace testserver
