#include <filesystem>
#include <fstream>

#include "testserver_fixture.h"

namespace harrowlander {
namespace {

// Every operation against the server of today's protocol and SQL Server 2000's.
class OperationsIntegrationTest : public testing::ServerKindTest {};

INSTANTIATE_TEST_SUITE_P(Servers, OperationsIntegrationTest,
                         ::testing::ValuesIn(testing::kOldAndNewServers), testing::ServerKindName);

TEST_P(OperationsIntegrationTest, ShrinkEmptiesTheLogAndShrinks) {
  ShrinkSales();
}

TEST_P(OperationsIntegrationTest, BackupAndRestoreOnTheSameMachine) {
  BackUpAndRestoreSalesOnTheSameMachine();
}

TEST_P(OperationsIntegrationTest, DeleteDropsTheDatabaseAndExactlyItsFiles) {
  // A backup kept beside the data file shares its base name and must survive.
  const auto keptBackup = OnServerDisk(std::string(kDataDirectory) + "Sales_Data.bak");
  std::ofstream(keptBackup) << "backup";
  DeleteSales();
  EXPECT_TRUE(std::filesystem::exists(keptBackup));
}

TEST_P(OperationsIntegrationTest, DeleteOfAMissingDatabaseShowsTheServersRefusal) {
  DeleteOfAMissingDatabaseShowsTheServersRefusal();
}

TEST_P(OperationsIntegrationTest, DropTablesWithTheChordDropsTheMatchingTables) {
  DropSysTablesOfSales();

  // Asked again, the server has none left. The run emptied the unsaved password field;
  // the next Start reads it back from the window.
  fake.window.messageBoxes.clear();
  dlg.m_strSqlPassword = fake.window.texts[res::IDC_SQL_PASSWORD];
  EXPECT_EQ(dlg.DropTables(), 0);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "根据表名关键字,找不到对应的表");
}

}  // namespace
}  // namespace harrowlander
