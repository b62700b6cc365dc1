#include "options.h"

#include <gtest/gtest.h>

#include <fstream>

#include "server_process.h"

using namespace testserver;

namespace {
std::optional<Options> Parse(std::vector<std::string> args, std::string* message = nullptr) {
  std::string text;
  int exitCode = 0;
  auto options = ParseOptions(args, text, exitCode);
  if (message) {
    *message = text;
  }
  return options;
}
}  // namespace

TEST(Options, ListensOnLoopbackOnly) {
  EXPECT_TRUE(Parse({"--state", "/s", "--listen", "127.0.0.5:0"}));
  EXPECT_TRUE(Parse({"--state", "/s", "--browser", "127.0.0.5:1434"}));
  EXPECT_FALSE(Parse({"--state", "/s", "--listen", "0.0.0.0:1433"}));
  EXPECT_FALSE(Parse({"--state", "/s", "--listen", "10.1.2.3:1433"}));
  EXPECT_FALSE(Parse({"--state", "/s", "--browser", "192.168.1.1:1434"}));
  EXPECT_FALSE(Parse({"--state", "/s", "--listen", "localhost:1433"}));
  EXPECT_FALSE(Parse({"--listen", "127.0.0.1:1433"}));  // no state directory
}

TEST(Options, FaultSwitchesAndLogins) {
  auto options = Parse({"--state", "/s", "--fail", "3201,^backup", "--fail-text", "full", "--delay",
                        "250,dbcc", "--drop", "drop.*table", "--login", "bob:p:w"});
  ASSERT_TRUE(options);
  auto failure = options->faults.FailureFor("BACKUP database [x]");
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->number, 3201);
  EXPECT_EQ(failure->text, "full");
  EXPECT_FALSE(options->faults.FailureFor("select 1 -- backup"));
  EXPECT_EQ(options->faults.DelayMsFor("DBCC SHRINKDATABASE ([x],1)"), 250);
  EXPECT_TRUE(options->faults.DropFor("Drop Table [t]"));
  EXPECT_EQ(options->userLogin, "bob");
  EXPECT_EQ(options->userPassword, "p:w");

  EXPECT_FALSE(Parse({"--state", "/s", "--fail-text", "orphan"}));
  EXPECT_FALSE(Parse({"--state", "/s", "--delay", "soon,x"}));
  EXPECT_FALSE(Parse({"--state", "/s", "--drop", "("}));
}

// Only a release that has the switch can have xp_cmdshell off, and a 2019 speaks 7.4.
TEST(Options, TheProductPlayedAndWhatItCanBe) {
  auto options = Parse({"--state", "/s", "--product", "2019", "--xp-cmdshell", "off"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->product, Product::k2019);
  EXPECT_FALSE(options->xpCmdShell);
  EXPECT_EQ(Parse({"--state", "/s"})->product, Product::k2000);

  std::string message;
  EXPECT_FALSE(Parse({"--state", "/s", "--xp-cmdshell", "off"}, &message));
  EXPECT_NE(message.find("needs --product 2019"), std::string::npos) << message;
  EXPECT_FALSE(Parse({"--state", "/s", "--product", "2019", "--tds-version", "7.1"}));
  EXPECT_FALSE(Parse({"--state", "/s", "--product", "2008"}));
}

TEST(Options, HelpSaysItIsATestDouble) {
  std::string message;
  EXPECT_FALSE(Parse({"--help"}, &message));
  EXPECT_NE(message.find("TEST DOUBLE, not Microsoft SQL Server"), std::string::npos);
}

TEST(Options, ShellCodePageAndFileDamageSwitches) {
  auto options =
      Parse({"--state", "/s", "--seed-archive", "--ansi-code-page", "1252", "--shell-language",
             "zh-CN", "--deny-shell", "net-share", "--share", "BKSQLData$=D:\\Old", "--freeze",
             "^restore", "--truncate-after", "a{1,2}b,C:\\x.bak,10"});
  ASSERT_TRUE(options);
  EXPECT_TRUE(options->seed);
  EXPECT_EQ(options->ansiCodePage, 1252);
  EXPECT_EQ(options->shell.language, ShellLanguage::Chinese);
  EXPECT_TRUE(options->shell.denyNetShare);
  EXPECT_FALSE(options->shell.denyMkdir);
  EXPECT_EQ(options->shares.at(0), (std::pair<std::string, std::string>{"BKSQLData$", "D:\\Old"}));
  EXPECT_TRUE(options->faults.FreezeFor("RESTORE verifyonly"));

  // The pattern keeps its comma: the value splits from the right.
  ScratchDir scratch;
  PathMap paths(scratch.Path());
  std::filesystem::create_directories(scratch.Path() / "c");
  std::ofstream(scratch.Path() / "c" / "x.bak") << std::string(50, 'x');
  options->faults.DamageFilesAfter("zzz", paths);
  EXPECT_EQ(std::filesystem::file_size(scratch.Path() / "c" / "x.bak"), 50u);
  options->faults.DamageFilesAfter("-- aab", paths);
  EXPECT_EQ(std::filesystem::file_size(scratch.Path() / "c" / "x.bak"), 10u);

  for (std::vector<std::string> bad : {std::vector<std::string>{"--ansi-code-page", "936"},
                                       {"--shell-language", "fr"},
                                       {"--deny-shell", "del"},
                                       {"--share", "NOEQUALS"},
                                       {"--truncate-after", "x,C:\\a.bak"},
                                       {"--truncate-after", "x,C:\\a.bak,ten"},
                                       {"--replace-after", "C:\\a.bak"},
                                       {"--freeze", ""}}) {
    bad.insert(bad.begin(), {"--state", "/s"});
    EXPECT_FALSE(Parse(bad)) << bad[2] << " " << bad[3];
  }
}

TEST(Options, ProtocolVersionAndEncryption) {
  auto options = Parse({"--state", "/s", "--tds-version", "7.1", "--encryption", "required"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->tdsVersion, tds::TdsVersion::k71);
  EXPECT_EQ(options->encryption, tds::ServerEncryption::kRequired);
  EXPECT_EQ(Parse({"--state", "/s"})->tdsVersion, tds::TdsVersion::k74);
  EXPECT_FALSE(Parse({"--state", "/s", "--tds-version", "8.0"}));
  EXPECT_FALSE(Parse({"--state", "/s", "--encryption", "on"}));
}
