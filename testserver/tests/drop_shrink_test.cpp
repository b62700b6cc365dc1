// DROP DATABASE, DROP TABLE, log truncation and DBCC SHRINKDATABASE.
#include <gtest/gtest.h>

#include "odbc_client.h"
#include "server_process.h"

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {
struct DropShrink : ::testing::Test {
  ServerProcess server{{"--seed"}};
  OdbcClient client;
  void SetUp() override {
    ASSERT_TRUE(server.Ready());
    ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  }
  fs::path DataDir() {
    return server.StateDir() / "c" / "Program Files" / "Microsoft SQL Server" / "MSSQL" / "Data";
  }
};
}  // namespace

TEST_F(DropShrink, DropDatabaseDeletesItsFilesOnce) {
  ASSERT_TRUE(fs::exists(DataDir() / "Inventory_Data.MDF"));
  auto drop = client.Execute("drop database [Inventory] ");
  EXPECT_FALSE(drop.Failed()) << drop.Messages();
  EXPECT_FALSE(fs::exists(DataDir() / "Inventory_Data.MDF"));
  EXPECT_FALSE(fs::exists(DataDir() / "Inventory_Log.LDF"));
  EXPECT_EQ(FirstColumn(client.Execute("select name from dbo.sysdatabases where name='Inventory'")),
            Names{});
  auto again = client.Execute("drop database [Inventory] ");
  EXPECT_TRUE(again.Failed());
  EXPECT_TRUE(again.HasNative(3701)) << again.Messages();
  EXPECT_TRUE(client.Execute("drop database [master] ").HasNative(3708));
}

TEST_F(DropShrink, DropDatabaseInUseGets3702) {
  OdbcClient user;
  ASSERT_TRUE(user.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "Sales"));
  auto drop = client.Execute("drop database [sales] ");
  EXPECT_TRUE(drop.HasNative(3702)) << drop.Messages();
  EXPECT_TRUE(fs::exists(DataDir() / "Sales_Data.MDF"));
}

TEST_F(DropShrink, DropTableHonoursForeignKeys) {
  OdbcClient sales;
  ASSERT_TRUE(sales.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "Sales"));
  EXPECT_FALSE(sales.Execute("Drop Table [SYS_LOG]").Failed());
  auto missing = sales.Execute("Drop Table [SYS_LOG]");
  EXPECT_TRUE(missing.HasNative(3701)) << missing.Messages();
  auto referenced = sales.Execute("Drop Table [Customers]");
  EXPECT_TRUE(referenced.HasNative(3726)) << referenced.Messages();
  EXPECT_FALSE(sales.Execute("Drop Table [Orders]").Failed());
  EXPECT_FALSE(sales.Execute("Drop Table [customers]").Failed());
  EXPECT_EQ(FirstColumn(sales.Execute(
                "select name from sysobjects where (name like '%') and xtype='U' order by name")),
            (Names{"SYS_CONFIG", "SYS_USER"}));
}

TEST_F(DropShrink, LogTruncationThenShrinkWithResultAndMessage) {
  auto log = client.Execute("backup log [pubs] with no_log");
  EXPECT_FALSE(log.Failed()) << log.Messages();
  auto shrink = client.Execute("DBCC SHRINKDATABASE ([pubs],10)");
  EXPECT_FALSE(shrink.Failed()) << shrink.Messages();
  ASSERT_EQ(shrink.results.size(), 1u);
  EXPECT_EQ(shrink.results[0].columns,
            (Names{"DbId", "FileId", "CurrentSize", "MinimumSize", "UsedPages", "EstimatedPages"}));
  EXPECT_EQ(shrink.results[0].rows.at(0).at(0), "5");
  EXPECT_TRUE(shrink.HasNative(2528)) << shrink.Messages();

  EXPECT_TRUE(client.Execute("backup log [nosuch] with no_log").HasNative(911));
  EXPECT_TRUE(client.Execute("DBCC SHRINKDATABASE ([nosuch],10)").Failed());
}

TEST_F(DropShrink, ShrinkCompactsTheDataFile) {
  OdbcClient northwind;
  ASSERT_TRUE(northwind.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "Northwind"));
  EXPECT_FALSE(northwind.Execute("Drop Table [Order Details]").Failed());
  auto file = DataDir() / "northwnd.mdf";
  auto before = fs::file_size(file);
  client.Execute("DBCC SHRINKDATABASE ([Northwind],10)");
  EXPECT_LT(fs::file_size(file), before);
}
