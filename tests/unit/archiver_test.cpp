#include <gtest/gtest.h>

#include "fakes/dialog_fixture.h"
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
      {"/bk/x.bak.bak", "", "", R"( a  -df -ibck -ep "/bk/x.rar.rar" "/bk/x.bak.bak")"},
      {"/bk/x.BAK", "", "", R"( a  -df -ibck -ep "/bk/x.BAK" "/bk/x.BAK")"},
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

class LocateArchiverTest : public testing::DialogTest {};

TEST_F(LocateArchiverTest, AnOpenableProgramNeedsNoQuestion) {
  dlg.m_strRarExePath = "/usr/bin/rar";
  fake.files.files["/usr/bin/rar"] = "program";
  EXPECT_TRUE(LocateArchiver(dlg));
  EXPECT_TRUE(fake.window.fileDialogs.empty());
}

TEST_F(LocateArchiverTest, OtherwiseTheUserIsAskedAndTheAnswerKept) {
  fake.window.fileDialogAnswers = {"/opt/rar"};
  EXPECT_TRUE(LocateArchiver(dlg));
  EXPECT_EQ(dlg.m_strRarExePath, "/opt/rar");
  const FileDialogRequest& request = fake.window.fileDialogs.at(0);
  EXPECT_FALSE(request.save);
  EXPECT_EQ(request.defaultExtension, ".exe");
  EXPECT_EQ(request.initialFileName, R"(c:\Program Files\WinRAR\WinRAR.exe)");
  EXPECT_EQ(request.flags, 2u);
  EXPECT_EQ(request.filter, "WinRAR Excute File|winrar.exe||");
}

TEST_F(LocateArchiverTest, CancellingKeepsThePath) {
  dlg.m_strRarExePath = "/gone/rar";
  EXPECT_FALSE(LocateArchiver(dlg));
  EXPECT_EQ(dlg.m_strRarExePath, "/gone/rar");
}

}  // namespace
}  // namespace harrowlander
