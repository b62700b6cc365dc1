// The ODBC adapter of the Windows build against a testserver on loopback, through the
// Windows driver manager: under Wine that is odbc32, which hands the calls to the
// host's unixODBC and its FreeTDS driver. odbc_bridge_test.sh starts the server and
// passes its port in HARROWLANDER_TESTSERVER_PORT.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "platform/odbc/odbc_connection_factory.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {
namespace {

constexpr const char* kSaPassword = "Secr3t!";

class OdbcBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("HARROWLANDER_TESTSERVER_PORT");
    ASSERT_NE(port, nullptr) << "run through odbc_bridge_test.sh, which starts testserver";
    fake.sql.real = &odbcFactory;
    dlg.m_strServer = std::string("127.0.0.1,") + port;
    dlg.m_strSqlPassword = kSaPassword;
    dlg.m_nConnectTimeout = 5;
    dlg.m_nCommandTimeout = 10;
    dlg.UpdateData(false);
  }

  std::vector<std::string> Listed() { return fake.window.combos[res::IDC_DATABASE].items; }

  odbc::OdbcConnectionFactory odbcFactory;
  testing::FakePlatform fake;
  CHarrowlanderDlg dlg{fake.ports};
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

}  // namespace
}  // namespace harrowlander
