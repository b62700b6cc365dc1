// Text helpers: UTF-8 inside the server, UCS-2/UTF-16LE on the wire, and the
// case-insensitive comparisons of the default collation (ASCII letters only).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testserver {

std::string Utf16LeToUtf8(const uint8_t* data, size_t byteCount);
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

std::string ToLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Orders as the default case-insensitive collation does for ASCII names.
bool LessNoCase(std::string_view a, std::string_view b);

std::string Trim(std::string_view text);
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace testserver
