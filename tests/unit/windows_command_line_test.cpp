#include "tools/windows_command_line.h"

#include <gtest/gtest.h>

namespace harrowlander {
namespace {

using Args = std::vector<std::string>;

TEST(WindowsCommandLineArguments, TheArchiverLineSplitsIntoItsSwitchesAndQuotedPaths) {
  EXPECT_EQ(WindowsCommandLineArguments(
                R"( a -hpse cret -df -ibck -ep "D:\bk\pubs.rar" "D:\bk\my pubs.bak")"),
            (Args{"a", "-hpse", "cret", "-df", "-ibck", "-ep", R"(D:\bk\pubs.rar)",
                  R"(D:\bk\my pubs.bak)"}));
  EXPECT_EQ(WindowsCommandLineArguments(" a  -df"), (Args{"a", "-df"}));
  EXPECT_EQ(WindowsCommandLineArguments(" -?"), (Args{"-?"}));
}

TEST(WindowsCommandLineArguments, TheFirstTokenIsTheProgramsNameAndIsDropped) {
  EXPECT_EQ(WindowsCommandLineArguments("prog a b"), (Args{"a", "b"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"("C:\Program Files\x.exe" a)"), (Args{"a"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"(C:\dir\"x a)"), (Args{"a"}));  // no escapes in it
  EXPECT_EQ(WindowsCommandLineArguments(""), Args{});
  EXPECT_EQ(WindowsCommandLineArguments("   "), Args{});
}

TEST(WindowsCommandLineArguments, BackslashesAndQuotesFollowTheRuntimesRules) {
  EXPECT_EQ(WindowsCommandLineArguments(R"( a\\b a\b)"), (Args{R"(a\\b)", R"(a\b)"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"( a\"b)"), (Args{R"(a"b)"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"( a\\"b c")"), (Args{R"(a\b c)"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"( a\\\"b)"), (Args{R"(a\"b)"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"( "C:\dir\\" x)"), (Args{R"(C:\dir\)", "x"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"( "a""b" c)"), (Args{R"(a"b)", "c"}));
  EXPECT_EQ(WindowsCommandLineArguments(" \"\" x\ty"), (Args{"", "x", "y"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"( trailing\)"), (Args{R"(trailing\)"}));
  EXPECT_EQ(WindowsCommandLineArguments(R"( "open quote)"), (Args{"open quote"}));
}

}  // namespace
}  // namespace harrowlander
