#include "ui/settings_archive.h"

#include <limits>

namespace harrowlander {
namespace {

constexpr std::uint32_t kLongPrefixMarker = 0xFF;
constexpr std::uint32_t kHugePrefixMarker = 0xFFFF;
constexpr std::size_t kLongLengthFrom = 0xFF;
constexpr std::size_t kHugeLengthFrom = 0xFFFE;

}  // namespace

void SettingsArchive::WriteUnsigned(std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) {
    m_bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

std::uint32_t SettingsArchive::ReadUnsigned(int size) {
  std::string_view bytes = Take(static_cast<std::size_t>(size));
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  return value;
}

std::string_view SettingsArchive::Take(std::size_t size) {
  if (size > m_bytes.size() - m_position) {
    throw SettingsArchiveTruncated();
  }
  std::string_view taken(m_bytes.data() + m_position, size);
  m_position += size;
  return taken;
}

void SettingsArchive::WriteInt32(std::int32_t value) {
  WriteUnsigned(static_cast<std::uint32_t>(value), 4);
}

std::int32_t SettingsArchive::ReadInt32() {
  return static_cast<std::int32_t>(ReadUnsigned(4));
}

void SettingsArchive::WriteString(std::string_view utf8) {
  const std::string gbk = m_codec.Utf8ToGbk(utf8);
  const std::size_t length = gbk.size();
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("settings string longer than the file format can hold");
  }
  if (length < kLongLengthFrom) {
    WriteUnsigned(static_cast<std::uint32_t>(length), 1);
  } else if (length < kHugeLengthFrom) {
    WriteUnsigned(kLongPrefixMarker, 1);
    WriteUnsigned(static_cast<std::uint32_t>(length), 2);
  } else {
    WriteUnsigned(kLongPrefixMarker, 1);
    WriteUnsigned(kHugePrefixMarker, 2);
    WriteUnsigned(static_cast<std::uint32_t>(length), 4);
  }
  m_bytes.append(gbk);
}

std::string SettingsArchive::ReadString() {
  std::uint32_t length = ReadUnsigned(1);
  if (length == kLongPrefixMarker) {
    length = ReadUnsigned(2);
    if (length == kHugePrefixMarker) {
      length = ReadUnsigned(4);
    }
  }
  return m_codec.GbkToUtf8(Take(length));
}

void SettingsArchive::Exchange(std::int32_t& value) {
  if (m_storing) {
    WriteInt32(value);
  } else {
    value = ReadInt32();
  }
}

void SettingsArchive::Exchange(std::string& value) {
  if (m_storing) {
    WriteString(value);
  } else {
    value = ReadString();
  }
}

}  // namespace harrowlander
