#include <algorithm>
#include <filesystem>
#include <fstream>

#include "ops/drop_lock.h"
#include "res/resource_ids.h"
#include "testserver_fixture.h"

namespace harrowlander {
namespace {

using testing::TestServerTest;

class OperationsIntegrationTest : public TestServerTest {};

TEST_F(OperationsIntegrationTest, ShrinkEmptiesTheLogAndShrinks) {
  dlg.m_strDatabase = "Sales";
  EXPECT_EQ(dlg.ShrinkDatabase(), 1);
  EXPECT_EQ(dlg.m_strStatus, "已经收缩数据库[Sales].");
  const auto batches = ServerBatches();
  EXPECT_TRUE(Sent(batches, "backup log [Sales] with no_log"));
  EXPECT_TRUE(Sent(batches, "DBCC SHRINKDATABASE ([Sales],10)"));
}

TEST_F(OperationsIntegrationTest, DeleteDropsTheDatabaseAndExactlyItsFiles) {
  const std::string dataFile = std::string(kDataDirectory) + "Sales_Data.MDF";
  const std::string logFile = std::string(kDataDirectory) + "Sales_Log.LDF";
  ASSERT_TRUE(std::filesystem::exists(OnServerDisk(dataFile)));
  // A backup kept beside the data file shares its base name and must survive.
  const auto keptBackup = OnServerDisk(std::string(kDataDirectory) + "Sales_Data.bak");
  std::ofstream(keptBackup) << "backup";

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
  EXPECT_TRUE(std::filesystem::exists(keptBackup));
  const auto databases = Databases();
  EXPECT_EQ(std::find(databases.begin(), databases.end(), "Sales"), databases.end());
}

TEST_F(OperationsIntegrationTest, DeleteOfAMissingDatabaseShowsTheServersRefusal) {
  dlg.m_strDatabase = "Nope";
  fake.window.messageBoxAnswers = {kIdYes};
  EXPECT_EQ(dlg.DeleteDatabase(), 0);
  EXPECT_TRUE(dlg.m_strStatus.starts_with("Cannot drop the database 'Nope'")) << dlg.m_strStatus;
}

TEST_F(OperationsIntegrationTest, DropTablesWithTheChordDropsTheMatchingTables) {
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

  // Asked again, the server has none left.
  fake.window.messageBoxes.clear();
  EXPECT_EQ(dlg.DropTables(), 0);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "根据表名关键字,找不到对应的表");
}

}  // namespace
}  // namespace harrowlander
