#pragma once

#include <wx/string.h>

#include <string>

namespace harrowlander::wx {

// The core's text is UTF-8; wx converts narrow text by the C locale, which is not.
inline wxString ToWx(const std::string& utf8) {
  return wxString::FromUTF8(utf8.data(), utf8.size());
}

inline wxString ToWx(std::string_view utf8) {
  return wxString::FromUTF8(utf8.data(), utf8.size());
}

inline std::string FromWx(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}

}  // namespace harrowlander::wx
