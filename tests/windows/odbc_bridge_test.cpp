// The ODBC adapter of the Windows build against a testserver on loopback, through the
// Windows driver manager: under Wine that is odbc32, which hands the calls to the
// host's unixODBC and its FreeTDS driver. odbc_bridge_test.sh starts a server for each
// test and passes its port, its log of batches and its state directory in
// HARROWLANDER_TESTSERVER_PORT, _LOG and _STATE; a test instantiated with a ServerKind
// gets the server of that kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "integration/server_dialog_fixture.h"
#include "integration/server_kind.h"
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

// The database list and every operation, against the server of today's protocol and
// SQL Server 2000's, driven as the Linux integration tests drive them.
class OdbcBridgeServersTest : public OdbcBridgeTest,
                              public ::testing::WithParamInterface<testing::ServerKind> {
 protected:
  void SetUp() override {
    const char* made = std::getenv("HARROWLANDER_TESTSERVER_ARGS");
    ASSERT_EQ(made == nullptr ? "" : made, ::testing::PrintToString(GetParam()))
        << "the script started another kind of server";
    OdbcBridgeTest::SetUp();
  }
};

INSTANTIATE_TEST_SUITE_P(Servers, OdbcBridgeServersTest,
                         ::testing::ValuesIn(testing::kOldAndNewServers), testing::ServerKindName);

TEST_P(OdbcBridgeServersTest, TheDatabaseListComesFromTheServer) {
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

TEST_P(OdbcBridgeServersTest, ShrinkEmptiesTheLogAndShrinks) {
  ShrinkSales();
}

TEST_P(OdbcBridgeServersTest, BackupAndRestoreOnTheSameMachine) {
  BackUpAndRestoreSalesOnTheSameMachine();
}

TEST_P(OdbcBridgeServersTest, DropTablesWithTheLockHeldDropsTheMatchingTables) {
  DropSysTablesOfSales();
}

TEST_P(OdbcBridgeServersTest, DeleteDropsTheDatabaseAndItsFilesThroughTheServersShell) {
  DeleteSales();
  const auto databases = Databases();
  EXPECT_NE(std::find(databases.begin(), databases.end(), "Inventory"), databases.end());
}

TEST_F(OdbcBridgeTest, ARefusedStatementShowsTheServersText) {
  DeleteOfAMissingDatabaseShowsTheServersRefusal();
}

}  // namespace
}  // namespace harrowlander
