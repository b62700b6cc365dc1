#include <gtest/gtest.h>

#include "fakes/sql_dialog_fixture.h"
#include "ops/backup_plan.h"
#include "ports/com_error.h"

namespace harrowlander {
namespace {

using Lines = std::vector<std::string>;

// The chosen file in this workstation's own path form: the backup needs a folder in it,
// and a folder is found by the system's separator.
#ifdef _WIN32
const std::string kBackupFolder = R"(C:\Users\user\bk\)";
#else
const std::string kBackupFolder = "/home/user/bk/";
#endif
const std::string kBackupPath = kBackupFolder + "Sales.bak";
const std::string kArchivePath = kBackupFolder + "Sales.rar";
constexpr const char* kTransferFile = R"(\\DBHOST\BKSQLData$\Sales.bak)";

class BackupTest : public testing::SqlDialogTest {
 protected:
  void SetUp() override {
    SqlDialogTest::SetUp();
    dlg.m_strDatabase = "Sales";
    dlg.m_strNetServer = "DBHOST";
    dlg.m_strNetUser = "backup";
    dlg.m_strNetPassword = "pw";
    dlg.m_bIncremental = 0;
    fake.system.ticks = {1000, 2500, 4250};
    // What the server's backup statement leaves in the share.
    fake.files.files[kTransferFile] = "backup set";
  }

  int Run(const std::string& chosenPath = kBackupPath) {
    fake.window.fileDialogAnswers = {chosenPath};
    return dlg.BackupDatabase();
  }

  const Lines kConnect = {"create connection", "connection timeout 15", "command timeout 60",
                          kMasterConnection};
  // The lock, then a folder made now, which gets its marker.
  const Lines kMakeFolder = Concat(
      {TakeLock(), ShellCommand(R"(xp_cmdshell 'mkdir c:\BKSQLData$ ')"), Execute(kWriteMarker)});
  const Lines kMakeShare = ShellCommand(kMakeShareStatement, 2);
  const Lines kRemoveShare = Execute(R"(xp_cmdshell 'net share BKSQLData$ /del')");
  const Lines kRemoveFile = Execute(R"(xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')");
  const Lines kRemoveEmptyFolder = Execute(R"(xp_cmdshell 'rmdir c:\BKSQLData$')");
  const Lines kRemoveFolder = Concat({kRemoveFile, Execute(kDeleteMarker), kRemoveEmptyFolder});
  const Lines kClose = {"connection close", "release connection"};
  // A remote run's end: the lock released, the connection closed.
  const Lines kEnd = Concat({ReleaseLock(), kClose});
  const Lines kLogOn = {R"(net use delete \\DBHOST\IPC$)",
                        R"(net use add \\DBHOST\BKSQLData$ backup pw)"};
  const Lines kCopy = {"text 1008 = 从[DBHOST]复制到本机...",
                       std::string("copy ") + kTransferFile + " -> " + kBackupPath,
                       "painted 1008 = 已复制0.00MB/总计0.00MB", "text 1008 = 删除临时文件...",
                       std::string("delete ") + kTransferFile};
  const Lines kVerify =
      Concat({{"text 1008 = 正在校验备份..."},
              Execute(R"(RESTORE VERIFYONLY FROM DISK='c:\BKSQLData$\Sales.bak')")});
  const Lines kLogOff = {R"(net use delete \\DBHOST\BKSQLData$)"};
  const Lines kRemoteRun = Concat(
      {{"save dialog Sales_at0903070905onWORKSTATION"},
       kConnect,
       kMakeFolder,
       {"text 1008 = 开始备份,请等待..."},
       Execute(R"(backup database [Sales] to disk='c:\BKSQLData$\Sales.bak' with init, stats = 1)"),
       kVerify,
       kMakeShare,
       kLogOn,
       kCopy,
       kLogOff,
       {std::string("open for reading ") + kBackupPath, "text 1008 = 已经备份完成.1.500s 已校验"},
       kRemoveShare,
       kRemoveFolder,
       kEnd});
};

TEST_F(BackupTest, RemoteRunPullsTheFileThroughTheShareAndTakesEverythingDown) {
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Timeline(), kRemoteRun);
  EXPECT_EQ(fake.files.files[kBackupPath], "backup set");
  EXPECT_FALSE(fake.files.files.contains(kTransferFile));
  EXPECT_EQ(fake.files.files[kBackupPath + ".sha256"],
            testing::FakeFileSystem::FakeSha256("backup set") + "  Sales.bak\n");
  EXPECT_EQ(fake.files.writes, 2) << "the hash beside the backup, and the settings";
}

// The server's percentages are shown as they come; its other messages are not.
TEST_F(BackupTest, SeveralDatabasesShareOneTransferAndOneThatFailsLeavesTheOthersGoing) {
  fake.files.files[R"(\\DBHOST\BKSQLData$\Inventory.bak)"] = "backup set";
  fake.files.files[R"(\\DBHOST\BKSQLData$\Archive.bak)"] = "backup set";
  fake.server.failures = {{"execute backup database [Inventory]", "Msg 3013: no room"}};
  BackupPlan plan;
  // Named twice (in another case) and one left out by a pattern.
  plan.databases = {"Sales", "Inventory", "Archive", "sales", "Tmp1"};
  plan.excluded = {"tmp%"};
  plan.fileFor = [](const std::string& database) { return kBackupFolder + database + ".bak"; };
  std::vector<DatabaseBackupResult> results;
  plan.databaseEnded = [&results](const DatabaseBackupResult& result) {
    results.push_back(result);
  };
  dlg.BackupDatabases(plan);

  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].database, "Sales");
  EXPECT_TRUE(results[0].done);
  EXPECT_TRUE(results[0].verified);
  EXPECT_FALSE(results[0].sha256.empty());
  EXPECT_EQ(results[1].database, "Inventory");
  EXPECT_FALSE(results[1].done);
  EXPECT_EQ(results[1].failure, "Msg 3013: no room");
  EXPECT_EQ(results[2].database, "Archive");
  EXPECT_TRUE(results[2].done);
  EXPECT_EQ(results[2].file, kBackupFolder + "Archive.bak");
  EXPECT_TRUE(fake.files.files.contains(kBackupFolder + "Archive.bak.sha256"));
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kFailed);

  const Lines timeline = Timeline();
  const auto count = [&timeline](const std::string& prefix) {
    return std::count_if(timeline.begin(), timeline.end(),
                         [&prefix](const std::string& line) { return line.starts_with(prefix); });
  };
  // One lock, folder, share and log-on for the whole run, taken down once at its end.
  EXPECT_EQ(count(std::string("execute ") + kTakeLock), 1);
  EXPECT_EQ(count("execute xp_cmdshell 'mkdir"), 1);
  EXPECT_EQ(count(std::string("execute ") + kMakeShareStatement), 1);
  EXPECT_EQ(count("net use add"), 1);
  EXPECT_EQ(count("net use delete \\\\DBHOST\\BKSQLData$"), 1);
  EXPECT_EQ(count("execute xp_cmdshell 'net share BKSQLData$ /del'"), 1);
  EXPECT_EQ(count(std::string("execute ") + kReleaseLock), 1);
  EXPECT_EQ(count("execute backup database"), 3);
  // The share is made after the first backup, as for one database, and the log-off
  // comes only after the last copy.
  const auto at = [&timeline](const std::string& prefix) {
    return std::find_if(timeline.begin(), timeline.end(),
                        [&prefix](const std::string& line) { return line.starts_with(prefix); }) -
           timeline.begin();
  };
  EXPECT_LT(at("execute backup database [Sales]"),
            at(std::string("execute ") + kMakeShareStatement));
  EXPECT_GT(at("net use delete \\\\DBHOST\\BKSQLData$"),
            at("copy \\\\DBHOST\\BKSQLData$\\Archive.bak"));
}

TEST_F(BackupTest, TheServersProgressIsShownAsItComes) {
  fake.server.messages
      [R"(backup database [Sales] to disk='c:\BKSQLData$\Sales.bak' with init, stats = 1)"] = {
      {3211, "10 percent processed."},
      {4035, "Processed 208 pages for database 'Sales', file 'Sales_Data' on file 1."},
      {3211, "55 percent backed up."},
      {3211, "100 percent processed."},
      {3014, "BACKUP DATABASE successfully processed 209 pages in 0.050 seconds (34.078 MB/sec)."}};
  EXPECT_EQ(Run(), 1);
  const Lines afterStatement = After("execute backup database");
  ASSERT_GE(afterStatement.size(), 3u);
  EXPECT_EQ(Lines(afterStatement.begin(), afterStatement.begin() + 3),
            (Lines{"painted 1008 = 正在备份[Sales]... 10%", "painted 1008 = 正在备份[Sales]... 55%",
                   "painted 1008 = 正在备份[Sales]... 100%"}));
  EXPECT_EQ(dlg.m_strStatus, "已经备份完成.1.500s 已校验");
}

// From SQL Server 2005 on the backup carries page checksums, which the verify reads, and
// is a copy-only backup, which leaves the server's own backup chain as it was.
TEST_F(BackupTest, ANewerServerGetsChecksumsAndACopyOnlyBackup) {
  fake.server.majorVersion = 15;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(After("text 1008 = 开始备份,请等待...")[0],
            R"(execute backup database [Sales] to disk='c:\BKSQLData$\Sales.bak' with init, )"
            R"(stats = 1, checksum, copy_only)");
  EXPECT_EQ(After("text 1008 = 正在校验备份...")[0],
            R"(execute RESTORE VERIFYONLY FROM DISK='c:\BKSQLData$\Sales.bak' WITH CHECKSUM)");
}

// A backup the server cannot read back is never copied: the older file at the
// workstation stays, the server's text says why, and the transfer is taken down.
TEST_F(BackupTest, ABackupTheServerCannotReadBackIsNotCopied) {
  fake.files.files[kBackupPath] = "last week's backup";
  fake.files.files[kBackupPath + ".sha256"] = "last week's hash";
  fake.server.failures[R"(execute RESTORE VERIFYONLY)"] =
      "The media family on device 'c:\\BKSQLData$\\Sales.bak' is incorrectly formed.";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus,
            "服务器校验备份失败:The media family on device 'c:\\BKSQLData$\\Sales.bak' is "
            "incorrectly formed.");
  EXPECT_EQ(fake.files.files[kBackupPath], "last week's backup");
  EXPECT_EQ(fake.files.files[kBackupPath + ".sha256"], "last week's hash");
  EXPECT_EQ(After("text 1008 = 服务器校验备份失败"), Concat({kRemoveFolder, kEnd}));
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kFailed);
}

TEST_F(BackupTest, TheSaveDialogProposesNameDateAndComputer) {
  Run();
  ASSERT_EQ(fake.window.fileDialogs.size(), 1u);
  const FileDialogRequest& request = fake.window.fileDialogs[0];
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.defaultExtension, "bak");
  EXPECT_EQ(request.initialFileName, "Sales_at0903070905onWORKSTATION");
  EXPECT_EQ(request.flags, 6u);
  EXPECT_EQ(request.filter, "Backup File(*.bak)|*.bak||");
}

TEST_F(BackupTest, WithoutAWindowsUserNoNetworkCallIsMade) {
  dlg.m_strNetUser.clear();
  EXPECT_EQ(Run(), 1);
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("net use")) << line;
  }
  const Lines afterProgress = After("painted 1008");
  ASSERT_FALSE(afterProgress.empty()) << "no copy ran";
  EXPECT_EQ(afterProgress[0], "text 1008 = 删除临时文件...");
}

TEST_F(BackupTest, SameMachineBacksUpStraightToTheChosenPath) {
  dlg.m_bSameMachine = 1;
  dlg.m_bIncremental = 1;
  fake.files.files[kBackupPath] = "written by the server";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Timeline(),
            Concat({{"save dialog Sales_at0903070905onWORKSTATION"},
                    kConnect,
                    {"text 1008 = 开始备份,请等待..."},
                    Execute("backup database [Sales] to disk='" + kBackupPath + "' with stats = 1"),
                    {std::string("open for reading ") + kBackupPath, "hash " + kBackupPath,
                     "text 1008 = 已经备份完成.1.500s"},
                    kClose}));
}

// A backup that starts the file afresh is written beside it and moved over it once the
// server has read it back; the hash goes beside the chosen name.
TEST_F(BackupTest, SameMachineReplacesTheChosenFileOnlyWithAVerifiedBackup) {
  const std::string partial = kBackupPath + ".partial";
  dlg.m_bSameMachine = 1;
  fake.files.files[kBackupPath] = "last week's backup";
  fake.server.whileRunning = [&](const std::string& statement) {
    if (statement.starts_with("backup database")) {
      fake.files.files[partial] = "this backup";
    }
  };
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(
      After("text 1008 = 开始备份,请等待..."),
      Concat({{"delete " + partial},
              Execute("backup database [Sales] to disk='" + partial + "' with init, stats = 1"),
              {"text 1008 = 正在校验备份..."},
              Execute("RESTORE VERIFYONLY FROM DISK='" + partial + "'"),
              {"move " + partial + " -> " + kBackupPath, "open for reading " + kBackupPath,
               "hash " + kBackupPath, "text 1008 = 已经备份完成.1.500s 已校验"},
              kClose}));
  EXPECT_EQ(fake.files.files[kBackupPath], "this backup");
  EXPECT_EQ(fake.files.files[kBackupPath + ".sha256"],
            testing::FakeFileSystem::FakeSha256("this backup") + "  Sales.bak\n");
  EXPECT_FALSE(fake.files.files.contains(partial));
  EXPECT_EQ(dlg.LastOutcome().file, kBackupPath);
}

// However it ends short of a verified backup in place, the older file stays as it was
// and nothing of the new one is left beside it.
TEST_F(BackupTest, SameMachineKeepsTheOlderFileWhenTheBackupFailsPartWay) {
  const std::string partial = kBackupPath + ".partial";
  dlg.m_bSameMachine = 1;
  enum class Fault { kBackupFails, kStopped, kVerifyFails, kMoveFails };
  for (Fault fault :
       {Fault::kBackupFails, Fault::kStopped, Fault::kVerifyFails, Fault::kMoveFails}) {
    SCOPED_TRACE(static_cast<int>(fault));
    fake.files.files = {{kBackupPath, "last week's backup"}};
    fake.files.failMoves.clear();
    fake.server.failures.clear();
    fake.server.whileRunning = [&](const std::string& statement) {
      if (!statement.starts_with("backup database")) {
        return;
      }
      fake.files.files[partial] = "the first half";
      if (fault == Fault::kBackupFails) {
        throw ComError(static_cast<std::int32_t>(0x80040E14),
                       "There is not enough space on the disk.");
      }
      if (fault == Fault::kStopped) {
        dlg.RequestStop();
      }
    };
    if (fault == Fault::kVerifyFails) {
      fake.server.failures["execute RESTORE VERIFYONLY"] = "incorrectly formed";
    }
    if (fault == Fault::kMoveFails) {
      fake.files.failMoves.insert(partial);
    }
    fake.system.ticks = {1000, 2500, 4250};
    const int result = Run();
    EXPECT_EQ(fake.files.files[kBackupPath], "last week's backup");
    EXPECT_FALSE(fake.files.files.contains(partial));
    EXPECT_FALSE(fake.files.files.contains(kBackupPath + ".sha256"));
    EXPECT_NE(dlg.LastOutcome().state, RunOutcome::State::kDone);
    if (fault == Fault::kMoveFails) {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(dlg.m_strStatus,
                "备份失败.原因:新备份无法替换[" + kBackupPath + "]:Permission denied");
    } else {
      EXPECT_EQ(result, 0);
    }
  }
}

TEST_F(BackupTest, ShrinkFirstRunsLogAndShrinkBeforeTheFolderIsMade) {
  dlg.m_bShrinkBeforeBackup = 1;
  dlg.m_strDatabase = "pubs";
  fake.files.files[R"(\\DBHOST\BKSQLData$\pubs.bak)"] = "set";
  fake.window.fileDialogAnswers = {kBackupPath};
  EXPECT_EQ(dlg.BackupDatabase(), 1);
  const Lines timeline = Timeline();
  EXPECT_EQ(Lines(timeline.begin() + 5, timeline.begin() + 22),
            Concat({{"text 1008 = 开始清空[pubs]日志..."},
                    Execute("backup log [pubs] with no_log"),
                    {"text 1008 = 开始收缩[pubs]尺寸..."},
                    Execute("DBCC SHRINKDATABASE ([pubs],10)"),
                    kMakeFolder}));
}

TEST_F(BackupTest, NothingHappensWithoutADatabaseOrWhenTheDialogIsCancelled) {
  dlg.m_strDatabase.clear();
  EXPECT_EQ(Run(), -1);
  EXPECT_TRUE(Timeline().empty());

  dlg.m_strDatabase = "Sales";
  fake.window.fileDialogAnswers.clear();
  EXPECT_EQ(dlg.BackupDatabase(), -1);
  EXPECT_EQ(Timeline(), Lines{"save dialog Sales_at0903070905onWORKSTATION"});
}

TEST_F(BackupTest, APathWithoutAFolderStopsSilently) {
  EXPECT_EQ(Run("Sales.bak"), 0);
  EXPECT_EQ(Timeline(), Lines{"save dialog Sales_at0903070905onWORKSTATION"});
}

TEST_F(BackupTest, RefusedLogOnRemovesShareThenFolderAndSavesNothing) {
  dlg.m_strNetPassword = "wrong";
  dlg.m_bSaveNetPassword = 0;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(
      After("net use add"),
      Concat({{"text 1008 = 登陆远程服务器[DBHOST]失败!"}, kRemoveShare, kRemoveFolder, kEnd}));
  EXPECT_EQ(dlg.m_strStatus, "登陆远程服务器[DBHOST]失败!");
  EXPECT_EQ(dlg.m_strNetPassword, "wrong");
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(BackupTest, AFailedCopyReportsFailureStillLogsOffAndCleansUp) {
  fake.files.failCopies.insert(kTransferFile);
  EXPECT_EQ(Run(), 1);
  // The server's copy is not deleted through the share; the folder's clean-up takes it.
  EXPECT_EQ(After(std::string("copy ")),
            Concat({kLogOff, {"text 1008 = 备份失败."}, kRemoveShare, kRemoveFolder, kEnd}));
  EXPECT_EQ(fake.files.writes, 1) << "settings saved";
}

// A file that cannot fit fails before anything is copied, with both sizes; a copy that
// fails says what the system said.
TEST_F(BackupTest, AFailedCopySaysWhy) {
  fake.files.freeSpace[kBackupFolder] = 3;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus,
            "备份失败.原因:目标位置空间不足:文件大小0.00 MB (10 字节),可用空间0.00 MB (3 字节)");
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("copy ")) << line;
  }

  fake.files.freeSpace.clear();
  fake.files.failCopies.insert(kTransferFile);
  fake.files.copyFailureReason = "Connection reset by peer";
  dlg.m_strNetPassword = "pw";  // the run before emptied the unsaved password
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus, "备份失败.原因:Connection reset by peer");
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kFailed);
  EXPECT_EQ(dlg.LastOutcome().reason, "Connection reset by peer");
}

TEST_F(BackupTest, AnUnreadableResultIsAFailedBackup) {
  fake.files.unreadable.insert(kBackupPath);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus, "备份失败.");
}

// Each statement failing in turn: the server's text on the status line, result 0, and
// exactly what this run had made taken down, share before folder, then the lock freed.
TEST_F(BackupTest, AnSqlFailureAtEachStepTakesDownWhatTheRunHadMade) {
  const Lines kDelFile = {R"(execute xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')"};
  const Lines kDelMarker = {std::string("execute ") + kDeleteMarker};
  const Lines kRmdir = {"execute xp_cmdshell 'rmdir c:\\BKSQLData$'"};
  const Lines kRelease = {std::string("execute ") + kReleaseLock};
  const Lines kShareDel = {"execute xp_cmdshell 'net share BKSQLData$ /del'"};
  const Lines kAll = Concat({kDelFile, kDelMarker, kRmdir, kRelease});
  // What the run's connection could not take down is tried once more over a new
  // connection, under the lock: the run's own may be the one that failed.
  const struct {
    std::string failing;
    Lines cleanUp;
    Lines retried;
  } kRows[] = {
      {"connection open", {}, {}},
      {"execute declare @result", {}, {}},
      {"execute xp_cmdshell 'mkdir", kRelease, {}},
      {"execute xp_cmdshell 'echo", Concat({kRmdir, kRelease}), {}},
      {"execute backup database", kAll, {}},
      {"execute xp_cmdshell 'net share BKSQLData$=", kAll, {}},
      {"execute xp_cmdshell 'net share BKSQLData$ /del'", Concat({kShareDel, kAll}), kShareDel},
      {"execute xp_cmdshell 'del", Concat({kDelFile, kRelease}), kDelFile},
      {"execute xp_cmdshell 'rmdir", Concat({kRmdir, kRelease}), kRmdir},
      {"execute exec sp_releaseapplock", kRelease, {}},
      {"connection close", {}, {}},
  };
  for (const auto& row : kRows) {
    fake.window.events.clear();
    fake.files.files[kTransferFile] = "backup set";
    fake.files.writes = 0;
    fake.system.ticks = {1000, 2500};
    fake.server.failures = {{row.failing, "failed: " + row.failing}};
    EXPECT_EQ(Run(), 0) << row.failing;
    Lines tail = After(row.failing);
    Lines expected =
        Concat({row.cleanUp,
                row.retried.empty()
                    ? Lines{}
                    : Concat({kConnect, TakeLock(), row.retried, kRelease, {"connection close"}}),
                {"text 1008 = failed: " + row.failing}});
    for (Lines* lines : {&tail, &expected}) {
      std::erase(*lines, "release result");
      std::erase(*lines, "release connection");
    }
    EXPECT_EQ(tail, expected) << row.failing;
    EXPECT_EQ(dlg.m_strStatus, "failed: " + row.failing);
  }
}

TEST_F(BackupTest, ACleanUpOnADeadConnectionLetsNoSecondErrorOut) {
  fake.server.failures = {{"execute backup database", "connection lost"},
                          {"execute xp_cmdshell 'rmdir", "second failure"}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus, "connection lost");
  // The rmdir that failed is tried once more over a new connection, under the lock.
  EXPECT_EQ(After("execute backup database"),
            Concat({kRemoveFile,
                    Execute(kDeleteMarker),
                    {"execute xp_cmdshell 'rmdir c:\\BKSQLData$'"},
                    ReleaseLock(),
                    kConnect,
                    TakeLock(),
                    {"execute xp_cmdshell 'rmdir c:\\BKSQLData$'"},
                    ReleaseLock(),
                    kClose,
                    {"text 1008 = connection lost", "release connection"}}));
}

// A folder or share the server's shell refused stops the run before anything is
// copied, and only what this run made is taken down: never a share that was there.
TEST_F(BackupTest, ARefusedShareOrFolderStopsTheRunAndTakesDownOnlyItsOwn) {
  const std::string mkdir = R"(xp_cmdshell 'mkdir c:\BKSQLData$ ')";
  fake.server.answers[kMakeShareStatement] = {
      {"output"},
      {{"System error 2118 has occurred."}, {std::nullopt}, {"The name has already been shared."}}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus,
            "服务器不能建立共享[BKSQLData$]:System error 2118 has occurred. The name has "
            "already been shared.");
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("copy ") || line.starts_with("net use")) << line;
  }
  EXPECT_EQ(After("text 1008 = 服务器不能建立共享"), Concat({kRemoveFolder, kEnd}));

  fake.window.events.clear();
  fake.server.answers[mkdir] = {{"output"}, {{"拒绝访问。"}, {std::nullopt}}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus, R"(服务器不能建立临时目录[c:\BKSQLData$]:拒绝访问。)");
  EXPECT_EQ(After("text 1008 = 服务器不能建立临时目录"), kEnd);

  // A folder that was already there is used, and stays; the run's own file goes.
  fake.window.events.clear();
  fake.server.answers[mkdir] = {{"output"},
                                {{R"(子目录或文件 c:\BKSQLData$ 已经存在。)"}, {std::nullopt}}};
  fake.server.answers[kMakeShareStatement] = {{"output"}, {{kShareMade}, {std::nullopt}}};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(After("text 1008 = 已经备份完成"), Concat({kRemoveShare, kRemoveFile, kEnd}));
}

class BackupPackingTest : public BackupTest {
 protected:
  void SetUp() override {
    BackupTest::SetUp();
    dlg.m_bCompressRar = 1;
    dlg.m_strRarExePath = "/opt/rar/rar";
    dlg.m_strRarPassword = "secret";
    dlg.m_strRarPassword2 = "secret";
    fake.files.files["/opt/rar/rar"] = "program";
    // The archiver packs the backup into the archive and deletes the backup.
    fake.launcher.onStart = [this](const std::string&) {
      fake.files.files[kArchivePath] = fake.files.files[kBackupPath];
      fake.files.files.erase(kBackupPath);
    };
  }
};

TEST_F(BackupPackingTest, PacksAfterTheBackupAndReportsTheTotalTime) {
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(After("text 1008 = 已经备份完成"),
            Concat({{"open for reading /opt/rar/rar", "text 1008 = 正在压缩Sales.bak...",
                     "start /opt/rar/rar a -hpsecret -df -ibck -ep \"" + kArchivePath + "\" \"" +
                         kBackupPath + "\"",
                     "open for reading " + kArchivePath, "text 1008 = Sales.bak 压缩完成.3.250s",
                     "delete " + kBackupPath + ".sha256", "hash " + kArchivePath},
                    kRemoveShare,
                    kRemoveFolder,
                    kEnd}));
  // The hash follows the backup into its archive.
  EXPECT_FALSE(fake.files.files.contains(kBackupPath + ".sha256"));
  EXPECT_EQ(fake.files.files[kArchivePath + ".sha256"],
            testing::FakeFileSystem::FakeSha256("backup set") + "  Sales.rar\n");
  EXPECT_EQ(fake.files.writes, 3) << "two hashes and the settings";
}

TEST_F(BackupPackingTest, DifferentPasswordsPackNothingAndKeepTheBackup) {
  dlg.m_strRarPassword2 = "secreT";
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(fake.launcher.starts.empty());
  EXPECT_EQ(dlg.m_strStatus, "两次输入的压缩密码不一致,未压缩;备份文件Sales.bak保留.");
  EXPECT_TRUE(fake.files.files.contains(kBackupPath));
  EXPECT_EQ(fake.files.writes, 1) << "the hash, not the settings";
}

TEST_F(BackupPackingTest, ANonZeroExitCodeIsAFailedPacking) {
  fake.launcher.onStart = nullptr;
  fake.launcher.exitCode = 3;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus, "压缩失败.");
  EXPECT_TRUE(fake.files.files.contains(kBackupPath));
  EXPECT_EQ(fake.files.writes, 1) << "the hash, not the settings";
  EXPECT_EQ(After("text 1008 = 压缩失败."), Concat({kRemoveShare, kRemoveFolder, kEnd}));
}

// The archiver's warning with the backup moved into a whole archive is a packing made;
// without that it is a failed packing, and the backup stays.
TEST_F(BackupPackingTest, AWarningCountsAsPackedOnlyWithTheBackupInAWholeArchive) {
  fake.launcher.exitCode = 1;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus, "Sales.bak 压缩完成,压缩程序报告了警告.3.250s");
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kDone);
  EXPECT_EQ(dlg.LastOutcome().file, kArchivePath);
  EXPECT_EQ(fake.files.writes, 3) << "two hashes and the settings";

  const struct {
    const char* what;
    std::function<void(const std::string&)> archiver;
  } kIncomplete[] = {
      {"no archive", nullptr},
      {"an empty archive",
       [this](const std::string&) {
         fake.files.files[kArchivePath] = "";
         fake.files.files.erase(kBackupPath);
       }},
      {"the backup still there",
       [this](const std::string&) { fake.files.files[kArchivePath] = "part"; }},
  };
  for (const auto& incomplete : kIncomplete) {
    fake.files.files.erase(kArchivePath);
    fake.files.files[kTransferFile] = "backup set";
    dlg.m_strNetPassword = "pw";  // not kept after a run
    fake.files.writes = 0;
    fake.system.ticks = {1000, 2500, 4250};
    fake.launcher.onStart = incomplete.archiver;
    EXPECT_EQ(Run(), 1) << incomplete.what;
    EXPECT_EQ(dlg.m_strStatus, "压缩失败.") << incomplete.what;
    EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kFailed) << incomplete.what;
    EXPECT_EQ(fake.files.writes, 1) << incomplete.what << ": the hash, not the settings";
  }
}

// Known before the backup: nothing is asked, sent or packed.
TEST_F(BackupPackingTest, APasswordWithADoubleQuoteIsRefusedBeforeTheBackup) {
  for (const auto& [password, confirmation] :
       {std::pair{"se\"cret", "se\"cret"}, std::pair{"\"", "\""},
        std::pair{"secret", "secret\""}}) {
    fake.window.events.clear();
    dlg.m_strRarPassword = password;
    dlg.m_strRarPassword2 = confirmation;
    EXPECT_EQ(Run(), 0) << password;
    EXPECT_EQ(Timeline(),
              Lines{"text 1008 = 压缩密码含有双引号,无法安全地交给压缩程序;未做任何操作."})
        << password;
    EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kFailed);
  }
  // Not packing, the password is not used.
  dlg.m_bCompressRar = 0;
  EXPECT_EQ(Run(), 1);
}

TEST_F(BackupPackingTest, AMissingArchiveIsAFailedPackingDespiteExitCodeZero) {
  fake.launcher.onStart = nullptr;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus, "压缩失败.");
}

TEST_F(BackupPackingTest, AnArchiverThatCannotStartIsShownAndFails) {
  fake.launcher.missing = {"/opt/rar/rar"};
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "The process could not be started...");
  EXPECT_EQ(fake.window.messageBoxes[0].caption, "");
  EXPECT_EQ(dlg.m_strStatus, "压缩失败.");
}

TEST_F(BackupPackingTest, AnArchiverNotLocatedEndsTheRunAfterTakingTheServerSideDown) {
  fake.files.files.erase("/opt/rar/rar");
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(fake.window.fileDialogs.size(), 2u);
  const FileDialogRequest& locate = fake.window.fileDialogs[1];
  EXPECT_FALSE(locate.save);
  EXPECT_EQ(locate.defaultExtension, ".exe");
  EXPECT_EQ(locate.initialFileName, R"(c:\Program Files\WinRAR\WinRAR.exe)");
  EXPECT_EQ(locate.flags, 2u);
  EXPECT_EQ(locate.filter, "WinRAR Excute File|winrar.exe||");
  EXPECT_EQ(After("open dialog"), Concat({kRemoveShare, kRemoveFolder, kEnd}));
  EXPECT_EQ(dlg.m_strStatus, "已经备份完成.1.500s 已校验");
  EXPECT_EQ(fake.files.writes, 1) << "the hash, not the settings";
}

TEST_F(BackupPackingTest, ALocatedArchiverIsKeptInTheSettings) {
  fake.files.files.erase("/opt/rar/rar");
  fake.window.fileDialogAnswers = {kBackupPath, "/usr/local/bin/rar"};
  EXPECT_EQ(dlg.BackupDatabase(), 1);
  EXPECT_EQ(dlg.m_strRarExePath, "/usr/local/bin/rar");
  EXPECT_EQ(fake.launcher.starts.at(0).applicationPath, "/usr/local/bin/rar");
}

// Where other users can read command lines, the archiver's password is not on one.
TEST_F(BackupPackingTest, WhereOthersReadCommandLinesThePasswordTravelsInTheEnvironment) {
  fake.launcher.commandLinesVisible = true;
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(fake.launcher.starts.size(), 1u);
  EXPECT_EQ(fake.launcher.starts[0].commandLine.find("secret"), std::string::npos);
  EXPECT_EQ(fake.launcher.starts[0].environment, (ExtraEnvironment{{"RAR", "-hpsecret"}}));
}

TEST_F(BackupPackingTest, APathTheArchiverWouldSplitIsNotPacked) {
  const std::string quoted = kBackupFolder + "Sales\" \"Documents.bak";
  fake.files.files[quoted] = "backup set";
  EXPECT_EQ(Run(quoted), 1);
  EXPECT_TRUE(fake.launcher.starts.empty());
  EXPECT_EQ(dlg.m_strStatus,
            "备份文件路径[" + quoted + "]含有双引号,无法交给压缩程序;备份文件保留.");
  EXPECT_TRUE(fake.files.files.contains(quoted));
}

// Any failure, not only the server's, ends the run with a message and the clean-up.
TEST_F(BackupPackingTest, AnUnexpectedFailureIsReportedAndTheServerSideTakenDown) {
  fake.launcher.onStart = [](const std::string&) { throw std::runtime_error("out of handles"); };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus, "发生意外错误,操作已停止:out of handles");
  EXPECT_EQ(After(std::string("start /opt/rar/rar")),
            Concat({kRemoveShare,
                    kRemoveFolder,
                    ReleaseLock(),
                    {"text 1008 = 发生意外错误,操作已停止:out of handles"},
                    {"release connection"}}));
}

}  // namespace
}  // namespace harrowlander
