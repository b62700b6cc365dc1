// A run asked to stop at each kind of step: what runs on the server is cancelled, the
// run takes down what it set up, ends with a status that says it stopped, and nothing
// asked of it afterwards breaks its clean-up off.
#include <gtest/gtest.h>

#include "fakes/remote_run_fixture.h"

namespace harrowlander {
namespace {

using Lines = std::vector<std::string>;

class RunStopTest : public testing::RemoteRunTest {
 protected:
  // Asks for the stop while the server runs the statement that begins with `prefix`.
  void StopWhileRunning(const std::string& prefix) {
    fake.server.whileRunning = [this, prefix](const std::string& statement) {
      if (statement.starts_with(prefix)) {
        EXPECT_TRUE(dlg.RequestStop());
      }
    };
  }

  const Lines kTakeDownAll = {"xp_cmdshell 'net share BKSQLData$ /del'",
                              R"(xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')",
                              R"(xp_cmdshell 'del "c:\BKSQLData$\Harrowlander.transfer" /q')",
                              R"(xp_cmdshell 'rmdir c:\BKSQLData$')"};
};

// The statement is cancelled on the server; what it had written of the transfer file is
// deleted with the rest.
TEST_F(RunStopTest, AStopWhileTheServerBacksUpCancelsTheStatement) {
  StopWhileRunning("backup database");
  EXPECT_EQ(Backup(), 0);
  EXPECT_EQ(After("execute backup database").at(0), "cancel");
  EXPECT_EQ(dlg.m_strStatus, "备份已停止.");
  EXPECT_EQ(Removals(), (Lines{R"(xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')",
                               R"(xp_cmdshell 'del "c:\BKSQLData$\Harrowlander.transfer" /q')",
                               R"(xp_cmdshell 'rmdir c:\BKSQLData$')"}));
  EXPECT_TRUE(Sent(kReleaseLock));
  EXPECT_FALSE(Sent(kMakeShareStatement));
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kStopped);
  EXPECT_EQ(fake.files.writes, 0) << "settings not saved";
}

TEST_F(RunStopTest, AStopDuringTheCopyEndsItAndKeepsTheOlderFile) {
  fake.files.files[kBackupPath] = "an older backup";
  fake.files.duringCopy = [this] { dlg.RequestStop(); };
  EXPECT_EQ(Backup(), 0);
  EXPECT_EQ(fake.files.files[kBackupPath], "an older backup");
  EXPECT_EQ(dlg.m_strStatus, "备份已停止.");
  const Lines afterCopy = After("copy stopped");
  ASSERT_FALSE(afterCopy.empty());
  EXPECT_EQ(afterCopy[0], "text 1008 = 正在停止,清除服务器上的临时文件和共享...");
  EXPECT_EQ(afterCopy[1], R"(net use delete \\DBHOST\BKSQLData$)");
  EXPECT_EQ(Removals(), kTakeDownAll);
}

// Asked again while it takes down what it set up, the run goes on with that: a stop
// never breaks a clean-up off.
TEST_F(RunStopTest, ASecondRequestDuringTheCleanUpChangesNothing) {
  fake.files.duringCopy = [this] { dlg.RequestStop(); };
  fake.server.whileRunning = [this](const std::string& statement) {
    if (statement.ends_with("/del'")) {
      EXPECT_FALSE(dlg.RequestStop());
    }
  };
  EXPECT_EQ(Backup(), 0);
  EXPECT_EQ(Removals(), kTakeDownAll);
  for (const std::string& line : Timeline()) {
    EXPECT_NE(line, "cancel");
  }
}

TEST_F(RunStopTest, AStopWhileWaitingForAnotherRunEndsTheWait) {
  fake.server.answers[kTakeLock] = {{"result"}, {{"-1"}}};
  StopWhileRunning("declare @result");
  EXPECT_EQ(Backup(), 0);
  EXPECT_EQ(dlg.m_strStatus, "备份已停止.");
  EXPECT_FALSE(Sent(kMakeFolder));
  EXPECT_TRUE(Removals().empty());
}

// Stopped in the middle of the restore statement, the database may be left restoring:
// the status names it.
TEST_F(RunStopTest, AStoppedRestoreStatementNamesTheDatabaseItLeavesRestoring) {
  dlg.m_bSameMachine = 1;
  dlg.m_bRestoreToDataDir = 0;
  fake.files.files[kBackupPath] = "backup set";
  const std::string fileList = std::string("RESTORE FILELISTONLY from disk='") + kBackupPath + "'";
  fake.server.answers[fileList] = {{"LogicalName", "PhysicalName", "Type"},
                                   {{"d", R"(E:\D\d.mdf)", "D"}, {"l", R"(E:\D\l.ldf)", "L"}}};
  StopWhileRunning("restore database");
  fake.window.fileDialogAnswers = {kBackupPath};
  EXPECT_EQ(dlg.RestoreDatabase(), 0);
  EXPECT_EQ(dlg.m_strStatus,
            "还原已停止;数据库[Sales]可能停留在“正在还原”(RESTORING)状态,需要重新还原或删除后才能"
            "使用.");
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kStopped);
}

// No run going: nothing takes the request, and the next run is not stopped by it.
TEST_F(RunStopTest, ARequestBetweenRunsIsNotTaken) {
  EXPECT_FALSE(dlg.RequestStop());
  EXPECT_EQ(Backup(), 1);
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kDone);
  EXPECT_EQ(dlg.LastOutcome().file, kBackupPath);
  EXPECT_EQ(dlg.LastOutcome().bytes, std::optional<std::uint64_t>(10));
  EXPECT_EQ(dlg.LastOutcome().status, "已经备份完成.1.500s 已校验");
}

}  // namespace
}  // namespace harrowlander
