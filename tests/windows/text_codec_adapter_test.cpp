#include <gtest/gtest.h>

#include <string>

#include "platform/win32/code_page_text_codec.h"
#include "platform/win32/wide_text.h"

namespace harrowlander {
namespace {

using namespace std::string_literals;

TEST(CodePageTextCodec, ChineseAsciiAndTheEuroSignGoBothWays) {
  win32::CodePageTextCodec codec;
  const struct {
    std::string utf8;
    std::string gbk;
  } kPairs[] = {
      {"程序已运行!", "\xB3\xCC\xD0\xF2\xD2\xD1\xD4\xCB\xD0\xD0!"},
      {"宋体", "\xCB\xCE\xCC\xE5"},
      {"€", "\x80"},
      {"a\0b"s, "a\0b"s},
      {"", ""},
  };
  for (const auto& pair : kPairs) {
    EXPECT_EQ(codec.Utf8ToGbk(pair.utf8), pair.gbk) << pair.utf8;
    EXPECT_EQ(codec.GbkToUtf8(pair.gbk), pair.utf8) << pair.utf8;
  }
}

TEST(CodePageTextCodec, BytesThatAreNoGbkBecomeReplacementCharacters) {
  win32::CodePageTextCodec codec;
  // A lone 0xFF, a lead byte with a trail byte GBK does not use, a lead byte at the end.
  EXPECT_EQ(codec.GbkToUtf8("a\xFF"
                            "b"),
            "a\uFFFDb");
  EXPECT_EQ(codec.GbkToUtf8("\x81\x20z"), "\uFFFD z");
  EXPECT_EQ(codec.GbkToUtf8("\xCB\xCE\xCC"), "宋\uFFFD");
}

TEST(CodePageTextCodec, CharactersGbkLacksBecomeOneQuestionMarkEach) {
  win32::CodePageTextCodec codec;
  EXPECT_EQ(codec.Utf8ToGbk("x한y"), "x?y");
  EXPECT_EQ(codec.Utf8ToGbk("x\U0001F600y"), "x?y");
}

TEST(WideText, Utf8AndUtf16RoundTripAndIllFormedInputBecomesReplacement) {
  const std::string text = "宋体 ü \U0001F600 €";
  EXPECT_EQ(win32::Widen(text), L"宋体 ü \U0001F600 €");
  EXPECT_EQ(win32::Narrow(win32::Widen(text)), text);
  EXPECT_EQ(win32::Widen("a\xC3"), L"a\uFFFD");
  EXPECT_EQ(win32::Narrow(std::wstring(L"a") + wchar_t(0xD800) + L"b"), "a\uFFFDb");
}

}  // namespace
}  // namespace harrowlander
