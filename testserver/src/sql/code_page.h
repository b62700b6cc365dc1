// A Windows single-byte ("ANSI") code page, applied the way the played server stores a
// string literal written without the N prefix: characters the page has stay, a Latin
// letter with a mark the page lacks becomes its base letter (Windows' best fit, so
// 'Sālēs' becomes 'Sales'), and anything else becomes '?'.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testserver::sql {

class AnsiCodePage {
 public:
  // nullopt unless `number` is a single-byte Windows code page (874, 1250-1258) that
  // this system's iconv knows.
  static std::optional<AnsiCodePage> Open(int number);

  int Number() const { return m_number; }
  // UTF-8 in, UTF-8 out: the text as it reads after a round trip through the page.
  std::string Narrow(std::string_view text) const;

 private:
  AnsiCodePage(int number, std::vector<bool> has) : m_number(number), m_has(std::move(has)) {}

  int m_number;
  std::vector<bool> m_has;  // indexed by BMP code point: the page holds that character
};

}  // namespace testserver::sql
