#include "code_page.h"

#include <iconv.h>

#include "../text.h"

namespace testserver::sql {

namespace {

// Windows' best fit for U+00C0..U+017F: the base letter, '?' where there is none.
constexpr std::u16string_view kLatinBase =
    u"AAAAAA?CEEEEIIIIDNOOOOO?OUUUUY??aaaaaa?ceeeeiiiidnooooo?ouuuuy?y"
    u"AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi??JjKk?LlLlLlL"
    u"lLlNnNnNn???OoOoOo??RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz?";
constexpr char16_t kLatinFirst = 0xC0;

bool IsWindowsSingleByte(int number) {
  return number == 874 || (number >= 1250 && number <= 1258);
}

}  // namespace

std::optional<AnsiCodePage> AnsiCodePage::Open(int number) {
  if (!IsWindowsSingleByte(number)) {
    return std::nullopt;
  }
  std::string name = "CP" + std::to_string(number);
  iconv_t cd = iconv_open("UTF-32LE", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return std::nullopt;
  }
  std::vector<bool> has(0x10000, false);
  for (int byte = 0; byte < 256; ++byte) {
    char in = static_cast<char>(byte);
    unsigned char out[8] = {};
    char* inPtr = &in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // Bytes the page leaves undefined do not convert.
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
        outLeft == sizeof out - 4) {
      uint32_t cp = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<uint32_t>(out[3]) << 24);
      if (cp < has.size()) {
        has[cp] = true;
      }
    }
  }
  iconv_close(cd);
  return AnsiCodePage(number, std::move(has));
}

std::string AnsiCodePage::Narrow(std::string_view text) const {
  std::u16string wide = Utf8ToUtf16(text);
  std::u16string narrowed;
  for (size_t i = 0; i < wide.size(); ++i) {
    char16_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDFFF) {
      // A character beyond the BMP (or half of one): no single-byte page has it.
      if (c <= 0xDBFF && i + 1 < wide.size()) {
        ++i;
      }
      narrowed += u'?';
    } else if (m_has[c]) {
      narrowed += c;
    } else if (size_t base = static_cast<size_t>(c) - kLatinFirst;
               c >= kLatinFirst && base < kLatinBase.size() && m_has[kLatinBase[base]]) {
      narrowed += kLatinBase[base];
    } else {
      narrowed += u'?';
    }
  }
  return Utf16ToUtf8(narrowed);
}

}  // namespace testserver::sql
