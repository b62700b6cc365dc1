// The catalog queries the tool sends, answered from the catalog and the data files.
#include <gtest/gtest.h>

#include "odbc_client.h"
#include "server_process.h"

using Names = std::vector<std::string>;

namespace {
struct Queries : ::testing::Test {
  ServerProcess server{{"--seed"}};
  OdbcClient client;
  void SetUp() override {
    ASSERT_TRUE(server.Ready());
    ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  }
};

std::string TrimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') {
    s.pop_back();
  }
  return s;
}
}  // namespace

TEST_F(Queries, DatabaseListInNameOrderWithAndWithoutTheSystemDatabases) {
  auto all = client.Execute("select name from dbo.sysdatabases  order by name");
  EXPECT_EQ(FirstColumn(all),
            (Names{"Inventory", "master", "model", "msdb", "Northwind", "pubs", "Sales", "tempdb"}))
      << all.Messages();
  auto users = client.Execute(
      "select name from dbo.sysdatabases  where name not in "
      "('master','model','msdb','northwind','pubs','tempdb') order by name");
  EXPECT_EQ(FirstColumn(users), (Names{"Inventory", "Sales"}));
}

TEST_F(Queries, FileNamesFromSysdatabasesSysaltfilesAndSysfiles) {
  const std::string dir = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";
  EXPECT_EQ(
      FirstColumn(client.Execute("select filename from dbo.sysdatabases where name='master'")),
      Names{dir + "master.mdf"});
  EXPECT_TRUE(
      FirstColumn(client.Execute("select filename from dbo.sysdatabases where name='nosuch'"))
          .empty());
  auto alt = FirstColumn(
      client.Execute("select filename from master.dbo.sysaltfiles where dbid=db_id('Sales')"));
  ASSERT_EQ(alt.size(), 2u);
  EXPECT_EQ(TrimRight(alt[0]), dir + "Sales_Data.MDF");
  EXPECT_EQ(TrimRight(alt[1]), dir + "Sales_Log.LDF");
  // Sixteen padded rows make a reply longer than one packet.
  auto every = client.Execute("select * from master.dbo.sysaltfiles");
  ASSERT_EQ(every.results.size(), 1u) << every.Messages();
  EXPECT_EQ(every.results[0].rows.size(), 16u);
  auto files = FirstColumn(client.Execute("select filename from [Sales].dbo.sysfiles"));
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].size(), 260u);  // a fixed-width column, padded as the server pads it
  EXPECT_EQ(TrimRight(files[1]), dir + "Sales_Log.LDF");
}

TEST_F(Queries, UserTablesByPatternInTheLoginDatabase) {
  OdbcClient sales;
  ASSERT_TRUE(sales.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "Sales"));
  EXPECT_EQ(
      FirstColumn(sales.Execute(
          "select name from sysobjects where (name like 'SYS_%') and xtype='U' order by name")),
      (Names{"SYS_CONFIG", "SYS_LOG", "SYS_USER"}));
  EXPECT_EQ(FirstColumn(sales.Execute("select name from sysobjects where (name like 'sys[_]l%' or "
                                      "name like 'cust%'  or name like 'x' ) and xtype='U' order "
                                      "by name")),
            (Names{"Customers", "SYS_LOG"}));
  EXPECT_EQ(FirstColumn(sales.Execute("select count(*) from sysobjects where xtype='U'")),
            Names{"5"});
  EXPECT_EQ(FirstColumn(sales.Execute("select count(*) from Orders")), Names{"2"});
  // sysobjects also lists system tables; only xtype='U' leaves them out.
  EXPECT_EQ(FirstColumn(sales.Execute("select name from sysobjects where name like 'sysobj%'")),
            Names{"sysobjects"});
}

TEST_F(Queries, ErrorsOfTheRealServer) {
  OdbcClient pubs;
  ASSERT_TRUE(pubs.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "pubs"));
  auto outsideMaster = pubs.Execute("select name from dbo.sysdatabases  order by name");
  EXPECT_TRUE(outsideMaster.Failed());
  EXPECT_TRUE(outsideMaster.HasNative(208)) << outsideMaster.Messages();
  auto syntax = client.Execute("selec name from dbo.sysdatabases");
  EXPECT_TRUE(syntax.Failed());
  EXPECT_TRUE(syntax.HasNative(102)) << syntax.Messages();
  auto column = client.Execute("select nosuch from dbo.sysdatabases");
  EXPECT_TRUE(column.HasNative(207)) << column.Messages();
  auto changed = client.Execute("use [sales]");
  EXPECT_TRUE(changed.HasNative(5701)) << changed.Messages();
  EXPECT_EQ(FirstColumn(client.Execute("select name from sysobjects where name like 'SYS_LOG'")),
            Names{"SYS_LOG"});
  auto use = client.Execute("use [nosuch]");
  EXPECT_TRUE(use.HasNative(911)) << use.Messages();
}

TEST_F(Queries, SysprocessesCountsTheOtherSessionsInADatabase) {
  const std::string users =
      "select count(*) as users from master.dbo.sysprocesses where dbid=db_id('Sales') and "
      "spid<>@@spid";
  auto none = client.Execute(users);
  ASSERT_EQ(none.results.size(), 1u) << none.Messages();
  EXPECT_EQ(none.results[0].columns, Names{"users"});
  EXPECT_EQ(FirstColumn(none), Names{"0"});
  OdbcClient inSales, moved;
  ASSERT_TRUE(inSales.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "Sales"));
  ASSERT_TRUE(moved.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  moved.Execute("use [Sales]");
  EXPECT_EQ(FirstColumn(client.Execute(users)), Names{"2"});
  EXPECT_EQ(FirstColumn(inSales.Execute(users)), Names{"1"});  // not itself
  moved.Execute("use [master]");
  EXPECT_EQ(FirstColumn(client.Execute(users)), Names{"1"});
  auto self =
      FirstColumn(client.Execute("select loginame from master..sysprocesses where spid=@@spid"));
  ASSERT_EQ(self.size(), 1u);
  EXPECT_EQ(TrimRight(self[0]), "sa");
  EXPECT_EQ(
      FirstColumn(client.Execute("select name from master.dbo.sysdatabases where name='Sales'")),
      Names{"Sales"});
}

TEST(AnsiCodePage, LiteralsWithoutNFindALookAlikeNameOnlyWithTheSwitch) {
  const std::string query = "select db_id('S\xc4\x81l\xc4\x93s'), db_id(N'S\xc4\x81l\xc4\x93s')";
  for (bool western : {false, true}) {
    std::vector<std::string> args{"--seed"};
    if (western) {
      args.insert(args.end(), {"--ansi-code-page", "1252"});
    }
    ServerProcess server(args);
    ASSERT_TRUE(server.Ready());
    OdbcClient client;
    ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
    auto ids = client.Execute(query);
    ASSERT_EQ(ids.results.size(), 1u) << ids.Messages();
    auto sales =
        FirstColumn(client.Execute("select dbid from dbo.sysdatabases where name='Sales'"));
    using Cells = std::vector<std::optional<std::string>>;
    EXPECT_EQ(ids.results[0].rows.at(0),
              (Cells{western ? std::optional(sales.at(0)) : std::nullopt, std::nullopt}));
  }
}
