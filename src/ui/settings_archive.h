#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "ports/text_codec.h"

namespace harrowlander {

// A loading archive ran out of bytes: a read past the end, or a string whose length
// prefix asks for more bytes than are left.
class SettingsArchiveTruncated : public std::runtime_error {
 public:
  SettingsArchiveTruncated() : std::runtime_error("settings archive ends too early") {}
};

// The settings file's binary encoding over an in-memory byte string, either storing
// (building the bytes) or loading (reading given bytes). Little-endian int32; strings
// as a length prefix of 1 byte (0..254), 3 bytes (0xFF + u16, 255..65533) or 7 bytes
// (0xFF, 0xFFFF + u32, 65534 and up) followed by the text in GBK. Strings are UTF-8
// on this side of the archive.
class SettingsArchive {
 public:
  static SettingsArchive ForStoring(TextCodec& codec) { return SettingsArchive(codec, {}, true); }
  static SettingsArchive ForLoading(TextCodec& codec, std::string bytes) {
    return SettingsArchive(codec, std::move(bytes), false);
  }

  bool IsStoring() const { return m_storing; }

  void WriteInt32(std::int32_t value);
  void WriteString(std::string_view utf8);
  // Both throw SettingsArchiveTruncated when the bytes left cannot satisfy the read;
  // nothing is allocated for a string before its length has been checked.
  std::int32_t ReadInt32();
  std::string ReadString();

  // Writes the value when storing, reads it into `value` when loading.
  void Exchange(std::int32_t& value);
  void Exchange(std::string& value);

  // Everything stored so far, or the bytes being loaded.
  const std::string& bytes() const { return m_bytes; }

 private:
  SettingsArchive(TextCodec& codec, std::string bytes, bool storing)
      : m_codec(codec), m_bytes(std::move(bytes)), m_storing(storing) {}

  void WriteUnsigned(std::uint32_t value, int size);
  std::uint32_t ReadUnsigned(int size);
  std::string_view Take(std::size_t size);

  TextCodec& m_codec;
  std::string m_bytes;
  std::size_t m_position = 0;
  bool m_storing;
};

}  // namespace harrowlander
