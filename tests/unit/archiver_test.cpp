#include <gtest/gtest.h>

#include "tools/archiver.h"
#include "tools/windows_command_line.h"

namespace harrowlander {
namespace {

using Args = std::vector<std::string>;

TEST(BuildArchiverCommandLine, GoldenTexts) {
  const struct {
    std::string backup, password, confirmation, expected;
  } kCases[] = {
      {R"(D:\bk\pubs_at0903070905onWS01.bak)", "pw", "pw",
       R"( a -hppw -df -ibck -ep "D:\bk\pubs_at0903070905onWS01.rar" "D:\bk\pubs_at0903070905onWS01.bak")"},
      {"/bk/x.bak", "", "", R"( a  -df -ibck -ep "/bk/x.rar" "/bk/x.bak")"},
      // Only a final ".bak", in any case; any other name gets ".rar" added, so the
      // archive is never the backup itself.
      {"/bk/x.bak.bak", "", "", R"( a  -df -ibck -ep "/bk/x.bak.rar" "/bk/x.bak.bak")"},
      {"/bk/x.BAK", "", "", R"( a  -df -ibck -ep "/bk/x.rar" "/bk/x.BAK")"},
      {"/bk/shop.v2", "", "", R"( a  -df -ibck -ep "/bk/shop.v2.rar" "/bk/shop.v2")"},
      {"/bk.bak/x", "", "", R"( a  -df -ibck -ep "/bk.bak/x.rar" "/bk.bak/x")"},
      {"/bk/x.bak", "pw", "pW", R"( a  -df -ibck -ep "/bk/x.rar" "/bk/x.bak")"},
      {"/bk/x.bak", "my pass", "my pass",
       R"( a "-hpmy pass" -df -ibck -ep "/bk/x.rar" "/bk/x.bak")"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(BuildArchiverCommandLine(c.backup, c.password, c.confirmation), c.expected)
        << c.backup << " " << c.password;
  }
}

// The archiver must find the password in one argument, whatever it holds.
TEST(BuildArchiverCommandLine, APasswordArrivesAsOneArgument) {
  for (const std::string password :
       {"plain", "two words", "a\"quote", "tab\there", "end\\", "back\\\"slash", "\\\\ \\"}) {
    const Args args =
        WindowsCommandLineArguments(BuildArchiverCommandLine("/b/x.bak", password, password));
    EXPECT_EQ(args, (Args{"a", "-hp" + password, "-df", "-ibck", "-ep", "/b/x.rar", "/b/x.bak"}))
        << password;
  }
}

// Where other users can read command lines, the password travels in the environment
// variable the archiver takes default switches from, and the command line has none.
TEST(BuildArchiverStart, ThePasswordLeavesTheCommandLineWhereOthersCanReadIt) {
  const ArchiverStart hidden = BuildArchiverStart("/b/x.bak", "my pw", "my pw", true);
  EXPECT_EQ(hidden.commandLine, R"( a  -df -ibck -ep "/b/x.rar" "/b/x.bak")");
  EXPECT_EQ(hidden.environment, (ExtraEnvironment{{"RAR", "\"-hpmy pw\""}}));
  const ArchiverStart shown = BuildArchiverStart("/b/x.bak", "my pw", "my pw", false);
  EXPECT_EQ(shown.commandLine, BuildArchiverCommandLine("/b/x.bak", "my pw", "my pw"));
  EXPECT_TRUE(shown.environment.empty());
  EXPECT_TRUE(BuildArchiverStart("/b/x.bak", "", "", true).environment.empty());
}

}  // namespace
}  // namespace harrowlander
