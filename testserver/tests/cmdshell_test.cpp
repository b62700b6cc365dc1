// xp_cmdshell as the tool calls it: rows in "output", a NULL row last, and the
// permission check for logins without sysadmin.
#include <gtest/gtest.h>

#include "odbc_client.h"
#include "server_process.h"

using Names = std::vector<std::string>;

TEST(CmdShell, OutputRowsEndWithNullAndNeedSysadmin) {
  ServerProcess server({"--login", "bob:pw"});
  ASSERT_TRUE(server.Ready());
  OdbcClient sa;
  ASSERT_TRUE(sa.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  auto first = sa.Execute("xp_cmdshell 'mkdir c:\\BKSQLData$ '");
  ASSERT_EQ(first.results.size(), 1u) << first.Messages();
  EXPECT_EQ(first.results[0].columns, Names{"output"});
  EXPECT_EQ(FirstColumn(first), Names{"NULL"});
  auto second = sa.Execute("exec master..xp_cmdshell 'mkdir c:\\BKSQLData$ '");
  EXPECT_EQ(FirstColumn(second),
            (Names{"A subdirectory or file c:\\BKSQLData$ already exists.", "NULL"}));
  EXPECT_EQ(FirstColumn(sa.Execute("xp_cmdshell 'net share BKSQLData$=c:\\BKSQLData$'")).at(0),
            "BKSQLData$ was shared successfully.");
  EXPECT_EQ(FirstColumn(sa.Execute("xp_cmdshell 'dir c:\\'")),
            (Names{"'dir' is not recognized as an internal or external command,",
                   "operable program or batch file.", "NULL"}));

  OdbcClient bob;
  ASSERT_TRUE(bob.Connect(server.Port(), "bob", "pw"));
  auto denied = bob.Execute("xp_cmdshell 'mkdir c:\\x '");
  EXPECT_TRUE(denied.Failed());
  EXPECT_TRUE(denied.HasNative(229)) << denied.Messages();
  EXPECT_FALSE(std::filesystem::exists(server.StateDir() / "c" / "x"));
}

TEST(CmdShell, StartupShareRefusalsAndChineseThroughTheSwitches) {
  ServerProcess server(
      {"--share", "BKSQLData$=D:\\Old", "--deny-shell", "mkdir", "--shell-language", "zh-CN"});
  ASSERT_TRUE(server.Ready());
  EXPECT_TRUE(std::filesystem::is_directory(server.StateDir() / "d" / "Old"));
  OdbcClient sa;
  ASSERT_TRUE(sa.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  auto shown = FirstColumn(sa.Execute("xp_cmdshell 'net share BKSQLData$'"));
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown[1], "路径              D:\\Old");
  EXPECT_EQ(shown.back(), "NULL");
  EXPECT_EQ(FirstColumn(sa.Execute("xp_cmdshell 'mkdir c:\\BKSQLData$'")),
            (Names{"拒绝访问。", "NULL"}));
  EXPECT_FALSE(std::filesystem::exists(server.StateDir() / "c" / "BKSQLData$"));
}

TEST(CmdShell, ProbeMarkerAndListingOfTheTransferFolder) {
  ServerProcess server({"--login", "bob:pw"});
  ASSERT_TRUE(server.Ready());
  OdbcClient sa;
  ASSERT_TRUE(sa.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  EXPECT_EQ(FirstColumn(sa.Execute("xp_cmdshell 'echo harrowlander'")),
            (Names{"harrowlander", "NULL"}));
  sa.Execute("xp_cmdshell 'mkdir c:\\BKSQLData$\\Sub'");
  EXPECT_EQ(FirstColumn(sa.Execute("xp_cmdshell 'echo Harrowlander transfer folder> "
                                   "\"c:\\BKSQLData$\\Harrowlander.transfer\"'")),
            Names{"NULL"});

  auto listed = sa.Execute("exec master.dbo.xp_dirtree 'c:\\BKSQLData$',1,1");
  ASSERT_EQ(listed.results.size(), 1u) << listed.Messages();
  EXPECT_EQ(listed.results[0].columns, (Names{"subdirectory", "depth", "file"}));
  using Row = std::vector<std::optional<std::string>>;
  EXPECT_EQ(listed.results[0].rows,
            (std::vector<Row>{{"Harrowlander.transfer", "1", "1"}, {"Sub", "1", "0"}}));
  auto missing = sa.Execute("xp_dirtree N'c:\\NoSuchFolder',1,1");
  ASSERT_EQ(missing.results.size(), 1u) << missing.Messages();
  EXPECT_TRUE(missing.results[0].rows.empty());
  EXPECT_FALSE(missing.Failed());

  OdbcClient bob;
  ASSERT_TRUE(bob.Connect(server.Port(), "bob", "pw"));
  EXPECT_TRUE(bob.Execute("exec master.dbo.xp_dirtree 'c:\\BKSQLData$',1,1").HasNative(229));
}
