#include "platform/win32/code_page_text_codec.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace harrowlander::win32 {

namespace {
constexpr UINT kGbk = 936;

// GBK holds no character beyond the basic multilingual plane. The system would turn
// each half of a surrogate pair into a '?' of its own; one character is one '?'.
std::wstring WithoutSurrogatePairs(std::wstring wide) {
  std::size_t out = 0;
  for (std::size_t at = 0; at < wide.size(); ++at, ++out) {
    const bool pair =
        IS_HIGH_SURROGATE(wide[at]) && at + 1 < wide.size() && IS_LOW_SURROGATE(wide[at + 1]);
    wide[out] = pair ? L'?' : wide[at];
    at += pair ? 1 : 0;
  }
  wide.resize(out);
  return wide;
}

}  // namespace

std::string CodePageTextCodec::Utf8ToGbk(std::string_view utf8) {
  const std::wstring wide = WithoutSurrogatePairs(Widen(utf8));
  if (wide.empty()) {
    return {};
  }
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(kGbk, 0, wide.data(), size, nullptr, 0, "?", nullptr);
  std::string gbk(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kGbk, 0, wide.data(), size, gbk.data(), length, "?", nullptr);
  return gbk;
}

std::string CodePageTextCodec::GbkToUtf8(std::string_view gbk) {
  // Converted a character at a time so that a byte sequence GBK does not hold becomes
  // U+FFFD, whatever the system's own replacement character is.
  std::wstring wide;
  wide.reserve(gbk.size());
  std::size_t at = 0;
  while (at < gbk.size()) {
    const auto lead = static_cast<unsigned char>(gbk[at]);
    const std::size_t width = (lead >= 0x81 && lead <= 0xFE && at + 1 < gbk.size()) ? 2 : 1;
    wchar_t unit = 0;
    const int converted = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data() + at,
                                              static_cast<int>(width), &unit, 1);
    if (converted == 1) {
      wide.push_back(unit);
      at += width;
    } else {
      wide.push_back(L'\xFFFD');
      at += 1;
    }
  }
  return Narrow(wide);
}

}  // namespace harrowlander::win32
