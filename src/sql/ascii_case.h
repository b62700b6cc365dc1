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

}  // namespace harrowlander
