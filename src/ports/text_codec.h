#pragma once

#include <string>
#include <string_view>

namespace harrowlander {

// Conversion between the core's UTF-8 and the code page the settings file and the
// ANSI interfaces use (GBK, code page 936).
class TextCodec {
 public:
  virtual ~TextCodec() = default;

  // Characters that GBK cannot hold become '?', as the ANSI conversions do.
  virtual std::string Utf8ToGbk(std::string_view utf8) = 0;
  // Byte sequences that are not GBK become U+FFFD.
  virtual std::string GbkToUtf8(std::string_view gbk) = 0;

  // Whether GBK holds the text as it is, so that it comes back unchanged.
  bool RoundTrips(std::string_view utf8) { return GbkToUtf8(Utf8ToGbk(utf8)) == utf8; }
};

}  // namespace harrowlander
