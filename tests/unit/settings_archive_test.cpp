#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fakes/native_text_codec.h"
#include "ui/settings_archive.h"

namespace harrowlander {
namespace {

using namespace std::string_literals;

struct IntCase {
  std::int32_t value;
  std::string bytes;
};

TEST(SettingsArchive, Int32IsFourBytesLittleEndian) {
  const IntCase cases[] = {
      {0, "\x00\x00\x00\x00"s},         {1, "\x01\x00\x00\x00"s},
      {-1, "\xFF\xFF\xFF\xFF"s},        {0x12345678, "\x78\x56\x34\x12"s},
      {INT32_MIN, "\x00\x00\x00\x80"s},
  };
  testing::NativeTextCodec codec;
  for (const IntCase& c : cases) {
    SettingsArchive out = SettingsArchive::ForStoring(codec);
    out.WriteInt32(c.value);
    EXPECT_EQ(out.bytes(), c.bytes) << c.value;
    SettingsArchive in = SettingsArchive::ForLoading(codec, c.bytes);
    EXPECT_EQ(in.ReadInt32(), c.value);
  }
}

struct PrefixCase {
  std::size_t length;
  std::string prefix;
};

TEST(SettingsArchive, StringLengthPrefixGrowsAtEachBoundary) {
  const PrefixCase cases[] = {
      {0, "\x00"s},
      {254, "\xFE"s},
      {255, "\xFF\xFF\x00"s},
      {65533, "\xFF\xFD\xFF"s},
      {65534, "\xFF\xFF\xFF\xFE\xFF\x00\x00"s},
      {70000, "\xFF\xFF\xFF\x70\x11\x01\x00"s},
  };
  testing::NativeTextCodec codec;
  for (const PrefixCase& c : cases) {
    const std::string text(c.length, 'x');
    SettingsArchive out = SettingsArchive::ForStoring(codec);
    out.WriteString(text);
    EXPECT_EQ(out.bytes(), c.prefix + text) << c.length;
    SettingsArchive in = SettingsArchive::ForLoading(codec, out.bytes());
    EXPECT_EQ(in.ReadString(), text) << c.length;
  }
}

TEST(SettingsArchive, ChineseTextIsGbkOnDiskAndUtf8InMemory) {
  testing::NativeTextCodec codec;
  SettingsArchive out = SettingsArchive::ForStoring(codec);
  out.WriteString("中文");
  EXPECT_EQ(out.bytes(), "\x04\xD6\xD0\xCE\xC4"s);
  SettingsArchive in = SettingsArchive::ForLoading(codec, out.bytes());
  EXPECT_EQ(in.ReadString(), "中文");
}

TEST(SettingsArchive, LongerPrefixFormsAreReadForShortStrings) {
  testing::NativeTextCodec codec;
  SettingsArchive in = SettingsArchive::ForLoading(codec,
                                                   "\xFF\x03\x00"
                                                   "abc"
                                                   "\xFF\xFF\xFF\x02\x00\x00\x00"
                                                   "de"s);
  EXPECT_EQ(in.ReadString(), "abc");
  EXPECT_EQ(in.ReadString(), "de");
}

struct TruncatedCase {
  const char* name;
  bool readsString;
  std::string bytes;
};

TEST(SettingsArchive, ReadingPastTheEndThrows) {
  const TruncatedCase cases[] = {
      {"no int", false, ""},
      {"three bytes of an int", false, "\x01\x02\x03"s},
      {"no length", true, ""},
      {"short body", true,
       "\x05"
       "abcd"s},
      {"cut 16-bit length", true, "\xFF\x01"s},
      {"short body after 16-bit length", true, "\xFF\x00\x01" + std::string(255, 'x')},
      {"cut 32-bit length", true, "\xFF\xFF\xFF\x00\x00"s},
      // Nearly 4 GiB asked for by seven bytes: refused without reserving anything.
      {"huge length", true,
       "\xFF\xFF\xFF\xF0\xFF\xFF\xFF"
       "abc"s},
  };
  testing::NativeTextCodec codec;
  for (const TruncatedCase& c : cases) {
    SettingsArchive in = SettingsArchive::ForLoading(codec, c.bytes);
    if (c.readsString) {
      EXPECT_THROW(in.ReadString(), SettingsArchiveTruncated) << c.name;
    } else {
      EXPECT_THROW(in.ReadInt32(), SettingsArchiveTruncated) << c.name;
    }
  }
}

}  // namespace
}  // namespace harrowlander
