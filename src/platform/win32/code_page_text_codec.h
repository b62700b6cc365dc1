#pragma once

#include "ports/text_codec.h"

namespace harrowlander::win32 {

// GBK through the system's code page 936 tables.
class CodePageTextCodec : public TextCodec {
 public:
  std::string Utf8ToGbk(std::string_view utf8) override;
  std::string GbkToUtf8(std::string_view gbk) override;
};

}  // namespace harrowlander::win32
