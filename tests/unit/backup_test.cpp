#include <gtest/gtest.h>

#include "fakes/sql_dialog_fixture.h"

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
  const Lines kMakeFolder = Execute(R"(xp_cmdshell 'mkdir c:\BKSQLData$ ')");
  const Lines kMakeShare = Execute(R"(xp_cmdshell 'net share BKSQLData$=c:\BKSQLData$')");
  const Lines kRemoveShare = Execute(R"(xp_cmdshell 'net share BKSQLData$ /del')");
  const Lines kRemoveFolder = Concat({Execute(R"(xp_cmdshell 'del c:\BKSQLData$\*.* /q')"),
                                      Execute(R"(xp_cmdshell 'rmdir c:\BKSQLData$')")});
  const Lines kClose = {"connection close", "release connection"};
  const Lines kLogOn = {R"(net use delete \\DBHOST\IPC$)",
                        R"(net use add \\DBHOST\BKSQLData$ backup pw)"};
  const Lines kCopy = {"text 1008 = 从[DBHOST]复制到本机...",
                       std::string("copy ") + kTransferFile + " -> " + kBackupPath,
                       "painted 1008 = 已复制0.00MB/总计0.00MB", "text 1008 = 删除临时文件...",
                       std::string("delete ") + kTransferFile};
  const Lines kLogOff = {R"(net use delete \\DBHOST\BKSQLData$)"};
  const Lines kRemoteRun =
      Concat({{"save dialog Sales_at0903070905onWORKSTATION"},
              kConnect,
              kMakeFolder,
              {"text 1008 = 开始备份,请等待..."},
              Execute(R"(backup database [Sales] to disk='c:\BKSQLData$\Sales.bak' with init)"),
              kMakeShare,
              kLogOn,
              kCopy,
              kLogOff,
              {std::string("open for reading ") + kBackupPath, "text 1008 = 已经备份完成.1.500s"},
              kRemoveShare,
              kRemoveFolder,
              kClose});
};

TEST_F(BackupTest, RemoteRunPullsTheFileThroughTheShareAndTakesEverythingDown) {
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Timeline(), kRemoteRun);
  EXPECT_EQ(fake.files.files[kBackupPath], "backup set");
  EXPECT_FALSE(fake.files.files.contains(kTransferFile));
  EXPECT_EQ(fake.files.writes, 1) << "settings saved";
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
  EXPECT_EQ(
      Timeline(),
      Concat({{"save dialog Sales_at0903070905onWORKSTATION"},
              kConnect,
              {"text 1008 = 开始备份,请等待..."},
              Execute("backup database [Sales] to disk='" + kBackupPath + "'"),
              {std::string("open for reading ") + kBackupPath, "text 1008 = 已经备份完成.1.500s"},
              kClose}));
}

TEST_F(BackupTest, ShrinkFirstRunsLogAndShrinkBeforeTheFolderIsMade) {
  dlg.m_bShrinkBeforeBackup = 1;
  dlg.m_strDatabase = "pubs";
  fake.files.files[R"(\\DBHOST\BKSQLData$\pubs.bak)"] = "set";
  fake.window.fileDialogAnswers = {kBackupPath};
  EXPECT_EQ(dlg.BackupDatabase(), 1);
  const Lines timeline = Timeline();
  EXPECT_EQ(Lines(timeline.begin() + 5, timeline.begin() + 13),
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
      Concat({{"text 1008 = 登陆远程服务器[DBHOST]失败!"}, kRemoveShare, kRemoveFolder, kClose}));
  EXPECT_EQ(dlg.m_strStatus, "登陆远程服务器[DBHOST]失败!");
  EXPECT_EQ(dlg.m_strNetPassword, "wrong");
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(BackupTest, AFailedCopyReportsFailureStillLogsOffAndCleansUp) {
  fake.files.failCopies.insert(kTransferFile);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(After(std::string("copy ")),
            Concat({{"text 1008 = 删除临时文件...", std::string("delete ") + kTransferFile},
                    kLogOff,
                    {"text 1008 = 备份失败."},
                    kRemoveShare,
                    kRemoveFolder,
                    kClose}));
  EXPECT_EQ(fake.files.writes, 1) << "settings saved";
}

TEST_F(BackupTest, AnUnreadableResultIsAFailedBackup) {
  fake.files.unreadable.insert(kBackupPath);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus, "备份失败.");
}

// Each statement failing in turn: the server's text on the status line, result 0, and
// exactly what this run had made taken down, share before folder.
TEST_F(BackupTest, AnSqlFailureAtEachStepTakesDownWhatTheRunHadMade) {
  const struct {
    std::string failing;
    Lines cleanUp;
  } kRows[] = {
      {"connection open", {}},
      {"execute xp_cmdshell 'mkdir", {}},
      {"execute backup database", kRemoveFolder},
      {"execute xp_cmdshell 'net share BKSQLData$=", kRemoveFolder},
      {"execute xp_cmdshell 'net share BKSQLData$ /del'",
       Concat({{"execute xp_cmdshell 'net share BKSQLData$ /del'"}, kRemoveFolder})},
      {"execute xp_cmdshell 'del", {"execute xp_cmdshell 'del c:\\BKSQLData$\\*.* /q'"}},
      {"execute xp_cmdshell 'rmdir", kRemoveFolder},
      {"connection close", {}},
  };
  for (const auto& row : kRows) {
    fake.window.events.clear();
    fake.files.files[kTransferFile] = "backup set";
    fake.files.writes = 0;
    fake.system.ticks = {1000, 2500};
    fake.server.failures = {{row.failing, "failed: " + row.failing}};
    EXPECT_EQ(Run(), 0) << row.failing;
    Lines tail = After(row.failing);
    Lines expected = Concat({row.cleanUp, {"text 1008 = failed: " + row.failing}});
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
                          {"execute xp_cmdshell 'del", "second failure"}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus, "connection lost");
  EXPECT_EQ(After("execute backup database"),
            (Lines{"execute xp_cmdshell 'del c:\\BKSQLData$\\*.* /q'",
                   "text 1008 = connection lost", "release connection"}));
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
                     "open for reading " + kArchivePath, "text 1008 = Sales.bak 压缩完成.3.250s"},
                    kRemoveShare,
                    kRemoveFolder,
                    kClose}));
  EXPECT_EQ(fake.files.writes, 1);
}

TEST_F(BackupPackingTest, DifferentPasswordsPackNothingAndKeepTheBackup) {
  dlg.m_strRarPassword2 = "secreT";
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(fake.launcher.starts.empty());
  EXPECT_EQ(dlg.m_strStatus, "两次输入的压缩密码不一致,未压缩;备份文件Sales.bak保留.");
  EXPECT_TRUE(fake.files.files.contains(kBackupPath));
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(BackupPackingTest, ANonZeroExitCodeIsAFailedPacking) {
  fake.launcher.onStart = nullptr;
  fake.launcher.exitCode = 3;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus, "压缩失败.");
  EXPECT_TRUE(fake.files.files.contains(kBackupPath));
  EXPECT_EQ(fake.files.writes, 0) << "settings not saved";
  EXPECT_EQ(After("text 1008 = 压缩失败."), Concat({kRemoveShare, kRemoveFolder, kClose}));
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
  EXPECT_EQ(After("open dialog"), Concat({kRemoveShare, kRemoveFolder, kClose}));
  EXPECT_EQ(dlg.m_strStatus, "已经备份完成.1.500s");
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(BackupPackingTest, ALocatedArchiverIsKeptInTheSettings) {
  fake.files.files.erase("/opt/rar/rar");
  fake.window.fileDialogAnswers = {kBackupPath, "/usr/local/bin/rar"};
  EXPECT_EQ(dlg.BackupDatabase(), 1);
  EXPECT_EQ(dlg.m_strRarExePath, "/usr/local/bin/rar");
  EXPECT_EQ(fake.launcher.starts.at(0).applicationPath, "/usr/local/bin/rar");
}

}  // namespace
}  // namespace harrowlander
