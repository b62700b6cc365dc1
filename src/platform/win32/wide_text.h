#pragma once

#include <string>
#include <string_view>

namespace harrowlander::win32 {

// The core speaks UTF-8; the W functions of Windows speak UTF-16. Ill-formed input
// becomes U+FFFD either way.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace harrowlander::win32
