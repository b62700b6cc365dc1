#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server_window_fixture.h"

namespace harrowlander::wx::testing {
namespace {

class DatabaseWindowTest : public ServerWindowTest {
 protected:
  bool ServerReceivedADrop() { return ServerReceived("Drop Table"); }

  void StartDropTablesOnSales() {
    driver.Click(C(IDC_MODE_DROP_TABLES));
    driver.Type("SYS_%");
    adapters->window.SetControlText(IDC_DATABASE, "Sales");
  }
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
