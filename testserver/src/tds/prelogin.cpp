#include "prelogin.h"

namespace testserver::tds {

namespace {
constexpr uint8_t kVersionOption = 0x00, kEncryptionOption = 0x01, kTerminator = 0xFF;
}  // namespace

std::optional<uint8_t> ClientEncryption(const std::vector<uint8_t>& payload) {
  // Option entries: token, offset (BE16), length (BE16), up to the terminator.
  for (size_t at = 0; at < payload.size(); at += 5) {
    if (payload[at] == kTerminator) {
      return kEncryptNotSupported;
    }
    if (at + 5 > payload.size()) {
      return std::nullopt;
    }
    const size_t offset = (payload[at + 1] << 8) | payload[at + 2];
    const size_t length = (payload[at + 3] << 8) | payload[at + 4];
    if (offset + length > payload.size()) {
      return std::nullopt;
    }
    if (payload[at] == kEncryptionOption && length >= 1) {
      return payload[offset];
    }
  }
  return std::nullopt;
}

uint8_t AnswerEncryption(ServerEncryption server, uint8_t client) {
  switch (server) {
    case ServerEncryption::kNotSupported:
      return kEncryptNotSupported;
    case ServerEncryption::kRequired:
      return kEncryptRequired;
    case ServerEncryption::kLoginOnly:
      break;
  }
  if (client == kEncryptOn || client == kEncryptRequired) {
    return kEncryptOn;
  }
  return client == kEncryptNotSupported ? kEncryptNotSupported : kEncryptOff;
}

std::vector<uint8_t> BuildPreloginReply(const ProductVersion& version, uint8_t encryption) {
  // Two options of 5 bytes each plus the terminator put the data at offset 11.
  return {
      kVersionOption,
      0x00,
      11,
      0x00,
      6,  // version: 6 bytes at offset 11
      kEncryptionOption,
      0x00,
      17,
      0x00,
      1,  // encryption: 1 byte at offset 17
      kTerminator,
      version.major,
      version.minor,
      static_cast<uint8_t>(version.build >> 8),
      static_cast<uint8_t>(version.build & 0xFF),
      0,
      0,  // sub-build
      encryption,
  };
}

}  // namespace testserver::tds
