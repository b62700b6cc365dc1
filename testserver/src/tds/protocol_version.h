// The TDS versions this server speaks: the version word LOGINACK sends and the token
// formats a session uses. The release a login reports is the product's (product.h),
// whatever dialect it speaks.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace testserver::tds {

enum class TdsVersion { k71, k72, k73, k74 };

// A product version as PRELOGIN and LOGINACK carry it, e.g. 8.0.2039.
struct ProductVersion {
  uint8_t major = 0;
  uint8_t minor = 0;
  uint16_t build = 0;
};

struct ProtocolVersion {
  TdsVersion tds = TdsVersion::k74;
  uint32_t loginAck = 0;  // the TDS version word LOGINACK sends
};

const ProtocolVersion& VersionInfo(TdsVersion version);

// "7.1", "7.2", "7.3" or "7.4".
std::optional<TdsVersion> ParseTdsVersion(std::string_view text);

// The version a session uses: the client's LOGIN7 version when it is older than the
// server's, as a server answers an older client in that client's dialect. Versions
// before 7.1 are answered as 7.1; unknown newer ones as the server's own.
TdsVersion NegotiateVersion(TdsVersion server, uint32_t loginVersion);

// From TDS 7.2 on: 8-byte DONE row counts, 4-byte message line numbers and COLMETADATA
// user types, ALL_HEADERS in front of every batch.
inline bool HasTds72Formats(TdsVersion version) {
  return version != TdsVersion::k71;
}

}  // namespace testserver::tds
