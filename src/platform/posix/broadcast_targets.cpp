#include "platform/posix/broadcast_targets.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

namespace harrowlander::posix {
namespace {

constexpr const char* kLimitedBroadcast = "255.255.255.255";

std::string TextOf(const sockaddr* address) {
  char text[INET_ADDRSTRLEN] = {};
  const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
  return inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr ? text : "";
}

}  // namespace

std::vector<std::string> BroadcastTargets(const ifaddrs* interfaces) {
  std::vector<std::string> targets = {kLimitedBroadcast};
  for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
        (entry->ifa_flags & IFF_UP) == 0) {
      continue;
    }
    std::string target;
    if ((entry->ifa_flags & IFF_LOOPBACK) != 0) {
      target = TextOf(entry->ifa_addr);
    } else if ((entry->ifa_flags & IFF_BROADCAST) != 0 && entry->ifa_broadaddr != nullptr) {
      target = TextOf(entry->ifa_broadaddr);
    }
    if (!target.empty() && std::find(targets.begin(), targets.end(), target) == targets.end()) {
      targets.push_back(target);
    }
  }
  return targets;
}

std::vector<std::string> LocalBroadcastTargets() {
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) {
    return {kLimitedBroadcast};
  }
  std::vector<std::string> targets = BroadcastTargets(interfaces);
  freeifaddrs(interfaces);
  return targets;
}

}  // namespace harrowlander::posix
