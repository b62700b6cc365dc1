// The ODBC adapter of the Windows build against a testserver on loopback, through the
// Windows driver manager: under Wine that is odbc32, which hands the calls to the
// host's unixODBC and its FreeTDS driver. odbc_bridge_test.sh starts a server for each
// test and passes its port, its log of batches and its state directory in
// HARROWLANDER_TESTSERVER_PORT, _LOG and _STATE.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "integration/server_dialog_fixture.h"
#include "ops/drop_lock.h"
#include "res/resource_ids.h"

namespace harrowlander {
namespace {

constexpr const char* kSaPassword = "Secr3t!";

class OdbcBridgeTest : public testing::ServerDialogTest {
 protected:
  void SetUp() override {
    const char* port = std::getenv("HARROWLANDER_TESTSERVER_PORT");
    const char* log = std::getenv("HARROWLANDER_TESTSERVER_LOG");
    const char* state = std::getenv("HARROWLANDER_TESTSERVER_STATE");
    ASSERT_TRUE(port != nullptr && log != nullptr && state != nullptr)
        << "run through odbc_bridge_test.sh, which starts testserver";
    UseServer(std::string("127.0.0.1,") + port, kSaPassword, log, state);
  }

  std::vector<std::string> Listed() { return fake.window.combos[res::IDC_DATABASE].items; }
};

TEST_F(OdbcBridgeTest, TheHostsFreeTdsIsTheDriverChosen) {
  const auto driver = odbcFactory.Driver();
  ASSERT_TRUE(driver) << "the driver manager lists no SQL Server driver";
  EXPECT_EQ(driver->name, "FreeTDS");
}

TEST_F(OdbcBridgeTest, TheDatabaseListComesFromTheServer) {
  fake.window.texts[res::IDC_DATABASE] = "Sa";
  dlg.OnDropdownDatabase();
  EXPECT_EQ(dlg.m_strStatus, "完成查找.");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Inventory", "Sales"}));
  EXPECT_EQ(fake.window.texts[res::IDC_DATABASE], "Sa");

  fake.window.PressKey(vk::kControl);
  dlg.OnDropdownDatabase();
  EXPECT_EQ(dlg.m_strStatus, "完成查找.");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Inventory", "master", "model", "msdb", "Northwind",
                                                "pubs", "Sales", "tempdb"}));
}

TEST_F(OdbcBridgeTest, ARefusedLoginShowsTheServersText) {
  fake.window.texts[res::IDC_SQL_PASSWORD] = "wrong";
  dlg.OnDropdownDatabase();
  EXPECT_EQ(dlg.m_strStatus, "Login failed for user 'sa'.");
  EXPECT_TRUE(Listed().empty());
}

TEST_F(OdbcBridgeTest, TextOutsideAsciiCrossesTheBridgeBothWays) {
  auto connection = odbcFactory.CreateConnection();
  ASSERT_NE(connection, nullptr);
  connection->Open("Provider=SQLOLEDB.1;Password=" + std::string(kSaPassword) +
                   ";Persist Security Info=True;User ID=sa;Initial Catalog=master;"
                   "Data Source=" +
                   dlg.m_strServer);
  auto recordset = connection->Execute("select N'销售 € 𝄞'");
  ASSERT_EQ(recordset->RecordCount(), 1);
  EXPECT_EQ(recordset->Collect("").text, "销售 € 𝄞");  // a constant's column has no name
  connection->Close();
}

// The core's operations on the server, driven as the Linux integration tests drive them.
class OdbcBridgeOperationsTest : public OdbcBridgeTest {};

TEST_F(OdbcBridgeOperationsTest, ShrinkEmptiesTheLogAndShrinks) {
  dlg.m_strDatabase = "Sales";
  EXPECT_EQ(dlg.ShrinkDatabase(), 1);
  EXPECT_EQ(dlg.m_strStatus, "已经收缩数据库[Sales].");
  const auto batches = ServerBatches();
  EXPECT_TRUE(Sent(batches, "backup log [Sales] with no_log"));
  EXPECT_TRUE(Sent(batches, "DBCC SHRINKDATABASE ([Sales],10)"));
}

TEST_F(OdbcBridgeOperationsTest, DropTablesWithTheLockHeldDropsTheMatchingTables) {
  dlg.m_strDatabase = "Sales";
  dlg.m_strTableKeyword = "SYS_%";
  fake.window.PressKey(vk::kControl);
  for (int key : kDropLockDigitKeys) {
    fake.window.PressKey(key);
  }
  fake.window.messageBoxAnswers = {kIdYes};
  EXPECT_EQ(dlg.DropTables(), 1);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text,
            "是否删除以下数据表？\nSYS_CONFIG\tSYS_LOG\tSYS_USER");
  EXPECT_EQ(fake.window.texts[res::IDC_STATUS], "已删除指定的数据表");
  const auto batches = ServerBatches();
  for (const char* table : {"SYS_CONFIG", "SYS_LOG", "SYS_USER"}) {
    EXPECT_TRUE(Sent(batches, std::string("Drop Table [") + table + "]")) << table;
  }
}

TEST_F(OdbcBridgeOperationsTest, DeleteDropsTheDatabaseAndItsFilesThroughTheServersShell) {
  const std::string dataFile = std::string(kDataDirectory) + "Sales_Data.MDF";
  const std::string logFile = std::string(kDataDirectory) + "Sales_Log.LDF";
  ASSERT_TRUE(std::filesystem::exists(OnServerDisk(dataFile)));

  dlg.m_strDatabase = "Sales";
  fake.window.messageBoxAnswers = {kIdYes};
  EXPECT_EQ(dlg.DeleteDatabase(), 1);
  EXPECT_EQ(dlg.m_strStatus, "已经删除数据库[Sales]" + dataFile + ".");

  const auto batches = ServerBatches();
  EXPECT_TRUE(Sent(batches, "drop database [Sales] "));
  EXPECT_TRUE(Sent(batches, "xp_cmdshell 'del \"" + dataFile + "\"'"));
  EXPECT_TRUE(Sent(batches, "xp_cmdshell 'del \"" + logFile + "\"'"));
  EXPECT_FALSE(std::filesystem::exists(OnServerDisk(dataFile)));
  EXPECT_FALSE(std::filesystem::exists(OnServerDisk(logFile)));
  const auto databases = Databases();
  EXPECT_EQ(std::find(databases.begin(), databases.end(), "Sales"), databases.end());
  EXPECT_NE(std::find(databases.begin(), databases.end(), "Inventory"), databases.end());
}

TEST_F(OdbcBridgeOperationsTest, ARefusedStatementShowsTheServersText) {
  dlg.m_strDatabase = "Nope";
  fake.window.messageBoxAnswers = {kIdYes};
  EXPECT_EQ(dlg.DeleteDatabase(), 0);
  EXPECT_TRUE(dlg.m_strStatus.starts_with("Cannot drop the database 'Nope'")) << dlg.m_strStatus;
}

}  // namespace
}  // namespace harrowlander
