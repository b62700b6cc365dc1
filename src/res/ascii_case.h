#pragma once

#include <cctype>
#include <cstddef>
#include <string_view>

namespace harrowlander {

// SQL Server's names (servers, columns, drivers) compare without regard to the case of
// ASCII letters; other bytes compare as they are.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Whether `text` holds `part`, letters of ASCII compared without regard to case.
inline bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view part) {
  for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
    if (EqualsIgnoringAsciiCase(text.substr(at, part.size()), part)) {
      return true;
    }
  }
  return false;
}

}  // namespace harrowlander
