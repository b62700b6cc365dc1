#include "login7.h"

#include "../text.h"

namespace testserver::tds {

namespace {

uint32_t ReadU32(const std::vector<uint8_t>& p, size_t at) {
  return p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) | (static_cast<uint32_t>(p[at + 3]) << 24);
}
uint16_t ReadU16(const std::vector<uint8_t>& p, size_t at) {
  return p[at] | (p[at + 1] << 8);
}

// Reads the (offset, character count) pair at `at` and decodes the UCS-2 text it points to.
std::optional<std::vector<uint8_t>> Field(const std::vector<uint8_t>& p, size_t at) {
  size_t offset = ReadU16(p, at);
  size_t bytes = static_cast<size_t>(ReadU16(p, at + 2)) * 2;
  if (offset + bytes > p.size()) {
    return std::nullopt;
  }
  return std::vector<uint8_t>(p.begin() + offset, p.begin() + offset + bytes);
}

std::string Decode(const std::vector<uint8_t>& raw) {
  return Utf16LeToUtf8(raw.data(), raw.size());
}

// Each byte of the password was sent as swap_nibbles(b) ^ 0xA5.
std::string DecodePassword(std::vector<uint8_t> raw) {
  for (auto& b : raw) {
    uint8_t x = b ^ 0xA5;
    b = static_cast<uint8_t>((x << 4) | (x >> 4));
  }
  return Decode(raw);
}

}  // namespace

std::optional<Login7> ParseLogin7(const std::vector<uint8_t>& payload) {
  // TDS 7.2 added ChangePassword and cbSSPILong to the fixed part.
  constexpr size_t kFixedPart71 = 86, kFixedPart72 = 94;
  if (payload.size() < kFixedPart71) {
    return std::nullopt;
  }
  Login7 login;
  login.tdsVersion = ReadU32(payload, 4);
  if (payload.size() < (login.tdsVersion >> 24 >= 0x72 ? kFixedPart72 : kFixedPart71)) {
    return std::nullopt;
  }
  login.packetSize = ReadU32(payload, 8);
  auto host = Field(payload, 36);
  auto user = Field(payload, 40);
  auto password = Field(payload, 44);
  auto app = Field(payload, 48);
  auto server = Field(payload, 52);
  auto database = Field(payload, 68);
  if (!host || !user || !password || !app || !server || !database) {
    return std::nullopt;
  }
  login.hostName = Decode(*host);
  login.userName = Decode(*user);
  login.password = DecodePassword(*password);
  login.appName = Decode(*app);
  login.serverName = Decode(*server);
  login.database = Decode(*database);
  login.integratedSecurity = ReadU16(payload, 80) > 0;
  return login;
}

}  // namespace testserver::tds
