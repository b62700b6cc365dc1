#include "prelogin.h"

namespace testserver::tds {

std::vector<uint8_t> BuildPreloginReply() {
  constexpr uint8_t kVersion = 0x00, kEncryption = 0x01, kTerminator = 0xFF;
  constexpr uint8_t kEncryptNotSupported = 0x02;
  // Two options of 5 bytes each plus the terminator put the data at offset 11.
  return {
      kVersion,
      0x00,
      11,
      0x00,
      6,  // version: 6 bytes at offset 11
      kEncryption,
      0x00,
      17,
      0x00,
      1,  // encryption: 1 byte at offset 17
      kTerminator,
      8,
      0,
      0x07,
      0xF7,
      0,
      0,  // 8.0.2039, sub-build 0
      kEncryptNotSupported,
  };
}

}  // namespace testserver::tds
