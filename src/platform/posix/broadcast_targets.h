#pragma once

#include <ifaddrs.h>

#include <string>
#include <vector>

namespace harrowlander::posix {

// Where a question to the whole local network goes: the limited broadcast, which
// leaves through one interface only and not at all without a default route, then the
// broadcast address of every other interface that is up, and the loopback's own
// address (a loopback has no broadcast), each once, IPv4 only.
std::vector<std::string> BroadcastTargets(const ifaddrs* interfaces);

// The same for the machine's interfaces now; the limited broadcast alone when they
// cannot be read.
std::vector<std::string> LocalBroadcastTargets();

}  // namespace harrowlander::posix
