// Little-endian builder for TDS payloads (packet headers are written elsewhere).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "../text.h"

namespace testserver::tds {

class ByteWriter {
 public:
  void U8(uint8_t v) { m_bytes.push_back(v); }
  void U16(uint16_t v) {
    U8(v & 0xFF);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void U64(uint64_t v) {
    U32(v & 0xFFFFFFFFu);
    U32(v >> 32);
  }
  void Bytes(const std::vector<uint8_t>& data) {
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
  }
  void Ucs2(std::u16string_view text) {
    for (char16_t c : text) {
      U16(c);
    }
  }
  // B_VARCHAR: length in characters as one byte, then UCS-2.
  void BVarChar(std::string_view utf8) {
    std::u16string text = Utf8ToUtf16(utf8);
    if (text.size() > 255) {
      text.resize(255);
    }
    U8(static_cast<uint8_t>(text.size()));
    Ucs2(text);
  }
  // US_VARCHAR: length in characters as two bytes, then UCS-2.
  void UsVarChar(std::string_view utf8) {
    std::u16string text = Utf8ToUtf16(utf8);
    U16(static_cast<uint16_t>(text.size()));
    Ucs2(text);
  }
  void PatchU16(size_t at, uint16_t v) {
    m_bytes[at] = v & 0xFF;
    m_bytes[at + 1] = v >> 8;
  }

  size_t Size() const { return m_bytes.size(); }
  const std::vector<uint8_t>& Data() const { return m_bytes; }
  std::vector<uint8_t> Take() { return std::move(m_bytes); }

 private:
  std::vector<uint8_t> m_bytes;
};

}  // namespace testserver::tds
