#pragma once

#include "ports/text_codec.h"

namespace harrowlander::posix {

// GBK (code page 936, with 0x80 for the euro sign) through the C library's iconv.
class IconvTextCodec : public TextCodec {
 public:
  std::string Utf8ToGbk(std::string_view utf8) override;
  std::string GbkToUtf8(std::string_view gbk) override;
};

}  // namespace harrowlander::posix
