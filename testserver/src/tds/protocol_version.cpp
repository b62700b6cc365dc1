#include "protocol_version.h"

namespace testserver::tds {

namespace {

// The words of SQL Server 2000 SP1 and later, 2005, 2008 and 2012 on.
constexpr ProtocolVersion kVersions[] = {
    {TdsVersion::k71, 0x71000001},
    {TdsVersion::k72, 0x72090002},
    {TdsVersion::k73, 0x730A0003},
    {TdsVersion::k74, 0x74000004},
};

}  // namespace

const ProtocolVersion& VersionInfo(TdsVersion version) {
  return kVersions[static_cast<int>(version)];
}

std::optional<TdsVersion> ParseTdsVersion(std::string_view text) {
  for (const char* name : {"7.1", "7.2", "7.3", "7.4"}) {
    if (text == name) {
      return static_cast<TdsVersion>(name[2] - '1');
    }
  }
  return std::nullopt;
}

TdsVersion NegotiateVersion(TdsVersion server, uint32_t loginVersion) {
  // The top byte holds major and minor version: 0x74000004, 0x730B0003, 0x72090002,
  // 0x71000001; 7.1 before its service pack and 7.0 sent 0x07010000 and 0x70000000.
  const uint8_t asked = loginVersion >> 24;
  TdsVersion client = server;
  if (asked < 0x72) {
    client = TdsVersion::k71;
  } else if (asked == 0x72) {
    client = TdsVersion::k72;
  } else if (asked == 0x73) {
    client = TdsVersion::k73;
  }
  return client < server ? client : server;
}

}  // namespace testserver::tds
