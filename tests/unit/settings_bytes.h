#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace harrowlander::testing {

// Spells out settings-file bytes by hand, independently of the archive code, so that
// tests compare against the format rather than against the code under test.
class SettingsBytes {
 public:
  SettingsBytes& Int(std::int32_t value) {
    auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
      m_bytes.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
    }
    return *this;
  }
  // Short strings only (one-byte length prefix); `gbk` is the on-disk text.
  SettingsBytes& Str(std::string_view gbk) {
    m_bytes.push_back(static_cast<char>(gbk.size()));
    m_bytes.append(gbk);
    return *this;
  }
  SettingsBytes& Raw(std::string_view bytes) {
    m_bytes.append(bytes);
    return *this;
  }
  const std::string& bytes() const { return m_bytes; }

 private:
  std::string m_bytes;
};

}  // namespace harrowlander::testing
