#pragma once

#include <string>
#include <string_view>

namespace harrowlander::odbc {

// The core's UTF-8 and the UTF-16 of the wide-character ODBC calls. Ill-formed input
// becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace harrowlander::odbc
