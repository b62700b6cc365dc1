// What a transfer finds on the server before it: leftovers of an earlier run of this
// tool (taken over under the lock), other people's folders, files and shares (left
// alone), and another run that holds the folder now (waited for).
#include <gtest/gtest.h>

#include "fakes/remote_run_fixture.h"
#include "ops/backup_plan.h"

namespace harrowlander {
namespace {

using Lines = std::vector<std::string>;

class TransferTakeoverTest : public testing::RemoteRunTest {};

TEST_F(TransferTakeoverTest, AnEarlierRunsFolderAndShareAreTakenOverAndCleared) {
  FolderThereWith({"Harrowlander.transfer", "Sales.bak", ".Inventory.bak.77-1.part",
                   "Inventory.bak.~4d-2", "notes.txt"});
  ShareThereFor(R"(C:\BKSQLData$)");
  EXPECT_EQ(Backup(), 1);
  EXPECT_EQ(dlg.m_strStatus, "已经备份完成.1.500s 已校验");
  EXPECT_EQ(Removals(), (Lines{R"(xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')",
                               R"(xp_cmdshell 'del "c:\BKSQLData$\.Inventory.bak.77-1.part" /q')",
                               R"(xp_cmdshell 'del "c:\BKSQLData$\Inventory.bak.~4d-2" /q')",
                               "xp_cmdshell 'net share BKSQLData$ /del'",
                               R"(xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')",
                               R"(xp_cmdshell 'del "c:\BKSQLData$\Harrowlander.transfer" /q')",
                               R"(xp_cmdshell 'rmdir c:\BKSQLData$')"}));
  EXPECT_FALSE(Sent(kWriteMarker)) << "the marker was there";
}

// A folder of that name that this tool did not mark is somebody's: used as it is, and
// stays; a file in it of the transfer file's name stops the run before the server
// writes anything.
TEST_F(TransferTakeoverTest, AFileInAFolderThatIsNotThisToolsStopsTheRun) {
  FolderThereWith({"notes.txt", "SALES.BAK"});
  EXPECT_EQ(Backup(), 0);
  EXPECT_EQ(
      dlg.m_strStatus,
      R"(服务器的临时目录[c:\BKSQLData$]中已有文件[SALES.BAK],它不是本程序留下的;未做任何改动.)");
  EXPECT_TRUE(Removals().empty());
  EXPECT_FALSE(
      Sent(R"(backup database [Sales] to disk='c:\BKSQLData$\Sales.bak' with init, stats = 1)"));
  EXPECT_TRUE(Sent(kReleaseLock));

  FolderThereWith({"notes.txt"});
  fake.window.events.clear();
  EXPECT_EQ(Backup(), 1);
  EXPECT_EQ(Removals(), (Lines{"xp_cmdshell 'net share BKSQLData$ /del'",
                               R"(xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')"}));
}

// A run over several databases looks for every one of their files: a later database's
// file in somebody's folder stops the run before the first is backed up, and every
// database is named as not backed up.
TEST_F(TransferTakeoverTest, AnyDatabasesFileInAFolderThatIsNotThisToolsStopsTheWholeRun) {
  FolderThereWith({"notes.txt", "inventory.bak"});
  BackupPlan plan;
  plan.databases = {"Sales", "Inventory"};
  plan.fileFor = [](const std::string& database) { return "/home/user/bk/" + database + ".bak"; };
  std::vector<DatabaseBackupResult> results;
  plan.databaseEnded = [&results](const DatabaseBackupResult& r) { results.push_back(r); };
  dlg.BackupDatabases(plan);
  ASSERT_EQ(results.size(), 2u);
  for (const DatabaseBackupResult& result : results) {
    EXPECT_FALSE(result.done) << result.database;
    EXPECT_TRUE(result.failure.find("[inventory.bak]") != std::string::npos) << result.failure;
  }
  EXPECT_TRUE(Removals().empty());
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("execute backup database")) << line;
  }
  EXPECT_TRUE(Sent(kReleaseLock));
}

TEST_F(TransferTakeoverTest, AShareOfThatNameOnAnotherFolderIsLeftAlone) {
  ShareThereFor(R"(D:\Old)");
  EXPECT_EQ(Backup(), 0);
  EXPECT_EQ(dlg.m_strStatus,
            "服务器不能建立共享[BKSQLData$]:System error 2118 has occurred. The name has already "
            R"(been shared. 该共享名已用于[D:\Old],不是本程序的临时目录[c:\BKSQLData$],未做改动.)");
  for (const std::string& removal : Removals()) {
    EXPECT_FALSE(removal.ends_with("/del'")) << removal;
  }
}

TEST_F(TransferTakeoverTest, AnotherRunHoldingTheFolderIsWaitedFor) {
  const testing::FakeRows refused{{"result"}, {{"-1"}}};
  fake.server.answersInTurn[kTakeLock] = {refused, refused};
  EXPECT_EQ(Backup(), 1);
  const Lines timeline = Timeline();
  const auto waiting =
      std::find(timeline.begin(), timeline.end(),
                "text 1008 = 服务器[DBHOST]的传输目录正被另一次备份或还原使用,等待...");
  ASSERT_NE(waiting, timeline.end());
  EXPECT_EQ(std::count(waiting, timeline.end(), std::string("execute ") + kTakeLock), 2)
      << "tried again until granted";
  EXPECT_LT(waiting,
            std::find(timeline.begin(), timeline.end(), std::string("execute ") + kMakeFolder));
}

// With the command timeout the wait's bound; nothing of the other run is touched.
TEST_F(TransferTakeoverTest, AWaitForAnotherRunEndsAfterTheCommandTimeout) {
  dlg.m_nCommandTimeout = 3;
  fake.server.answers[kTakeLock] = {{"result"}, {{"-1"}}};
  fake.system.ticks = {1000, 1000, 2000, 3000, 4000};
  EXPECT_EQ(Backup(), 0);
  EXPECT_EQ(dlg.m_strStatus,
            "服务器[DBHOST]的传输目录一直被另一次备份或还原使用,等待3秒后放弃;未做任何改动.");
  EXPECT_FALSE(Sent(kMakeFolder));
  EXPECT_TRUE(Removals().empty());
  EXPECT_FALSE(Sent(kReleaseLock)) << "never held";
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kFailed);
}

}  // namespace
}  // namespace harrowlander
