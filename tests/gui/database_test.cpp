#include <gtest/gtest.h>
#include <wx/odcombo.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "main_window_fixture.h"
#include "server_process.h"

namespace harrowlander::wx::testing {
namespace {

// The main window against a seeded testserver of its own on loopback, the server box
// and the SQL password filled in as a person would fill them.
class DatabaseWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    server = std::make_unique<ServerProcess>(
        std::vector<std::string>{"--seed", "--log", (m_scratch.Path() / "batches.log").string()});
    ASSERT_TRUE(server->Ready()) << "testserver did not start";
    MainWindowTest::SetUp();
    adapters->window.SetControlText(IDC_SERVER, "127.0.0.1," + std::to_string(server->Port()));
    C(IDC_SQL_PASSWORD).SetFocus();
    driver.Type(ServerProcess::kSaPassword);
  }

  std::vector<std::string> DroppedDatabaseList() {
    driver.ClickRightEnd(C(IDC_DATABASE));
    auto& combo = dynamic_cast<wxComboCtrl&>(C(IDC_DATABASE));
    EXPECT_TRUE(driver.WaitFor([&] { return combo.IsPopupShown(); }));
    std::vector<std::string> items = adapters->window.GetComboItems(IDC_DATABASE);
    combo.Dismiss();
    driver.Pump(100);
    return items;
  }

  bool ServerReceivedADrop() {
    std::ifstream log(m_scratch.Path() / "batches.log");
    for (std::string line; std::getline(log, line);) {
      if (line.find("Drop Table") != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  void StartDropTablesOnSales() {
    driver.Click(C(IDC_MODE_DROP_TABLES));
    driver.Type("SYS_%");
    adapters->window.SetControlText(IDC_DATABASE, "Sales");
  }

  ScratchDir m_scratch;
  std::unique_ptr<ServerProcess> server;
};

TEST_F(DatabaseWindowTest, DroppingDownTheDatabaseBoxListsTheServersDatabases) {
  EXPECT_EQ(DroppedDatabaseList(), (std::vector<std::string>{"Inventory", "Sales"}));
  EXPECT_EQ(Text(IDC_STATUS), "完成查找.");

  driver.KeyDown(WXK_CONTROL);  // system and sample databases too
  const std::vector<std::string> all = DroppedDatabaseList();
  driver.KeyUp(WXK_CONTROL);
  EXPECT_EQ(all, (std::vector<std::string>{"Inventory", "master", "model", "msdb", "Northwind",
                                           "pubs", "Sales", "tempdb"}));
}

TEST_F(DatabaseWindowTest, DropTablesWithTheChordHeldAndYesAnsweredDropsTheTables) {
  StartDropTablesOnSales();
  for (int key : {int(WXK_CONTROL), int('3'), int('4'), int('5')}) {
    driver.KeyDown(key);
  }
  WindowDriver::BoxAnswer yes(driver, 'y', wxMOD_ALT);  // 是(Y); No is the default
  driver.Click(C(IDOK));
  for (int key : {int('5'), int('4'), int('3'), int(WXK_CONTROL)}) {
    driver.KeyUp(key);
  }
  ASSERT_TRUE(driver.WaitFor([&] { return yes.answered(); }, 5000));
  EXPECT_EQ(yes.caption().utf8_string(), "确认删除");
  EXPECT_TRUE(driver.WaitFor([&] { return Text(IDC_STATUS) == "已删除指定的数据表"; }, 5000));
  EXPECT_TRUE(ServerReceivedADrop());
}

TEST_F(DatabaseWindowTest, DropTablesWithoutTheChordShowsNothingAndDropsNothing) {
  StartDropTablesOnSales();
  WindowDriver::BoxAnswer unexpected(driver, WXK_ESCAPE);
  driver.Click(C(IDOK));
  driver.Pump(1500);
  EXPECT_TRUE(unexpected.caption().empty()) << "shown: " << unexpected.message();
  EXPECT_FALSE(ServerReceivedADrop());
}

}  // namespace
}  // namespace harrowlander::wx::testing
