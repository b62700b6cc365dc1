#include <gtest/gtest.h>

#include "fakes/sql_dialog_fixture.h"

namespace harrowlander {
namespace {

using Lines = std::vector<std::string>;
using testing::FakeRows;

constexpr const char* kChosenFile = "/home/user/old/nightly.bak";
constexpr const char* kTransferFile = R"(\\DBHOST\BKSQLData$\Sales.bak)";
constexpr const char* kRemoteFileList =
    R"(RESTORE FILELISTONLY from disk='c:\BKSQLData$\Sales.bak')";
constexpr const char* kMasterQuery = "select filename from dbo.sysdatabases where name='master'";

class RestoreTest : public testing::SqlDialogTest {
 protected:
  void SetUp() override {
    SqlDialogTest::SetUp();
    dlg.m_strDatabase = "Sales";
    dlg.m_strNetServer = "DBHOST";
    dlg.m_strNetUser = "backup";
    dlg.m_strNetPassword = "pw";
    dlg.m_bRestoreToDataDir = 0;
    fake.system.ticks = {1000, 3000};
    fake.files.files[kChosenFile] = "backup set";
    fake.server.answers[kRemoteFileList] = kFileList;
    fake.server.answers[kMasterQuery] = {{"filename"}, {{R"(C:\MSSQL\Data\master.mdf)"}}};
    // The shell answers; Sales is there and nobody else uses it.
    fake.server.answers[kShellProbe] = {{"output"}, {{"harrowlander"}, {std::nullopt}}};
    fake.server.answers[kSalesThere] = {{"name"}, {{"Sales"}}};
    fake.server.answers[kSalesUsers] = {{"users"}, {{"0"}}};
  }

  static constexpr const char* kShellProbe = "xp_cmdshell 'echo harrowlander'";
  static constexpr const char* kSalesThere =
      "select name from master.dbo.sysdatabases where name='Sales'";
  static constexpr const char* kSalesUsers =
      "select count(*) as users from master.dbo.sysprocesses where dbid=db_id('Sales') and "
      "spid<>@@spid";
  // The checks before the drop: the shell answers, the database is there, nobody uses it.
  static Lines DropChecks() {
    return Concat({ShellCommand(kShellProbe, 2),
                   {std::string("execute ") + kSalesThere, "result eof", "result collect name",
                    "result close", "release result", std::string("execute ") + kSalesUsers,
                    "result eof", "result collect users", "result close", "release result"}});
  }

  int Run(const std::string& chosenPath = kChosenFile) {
    fake.window.fileDialogAnswers = {chosenPath};
    return dlg.RestoreDatabase();
  }

  const FakeRows kFileList = {{"LogicalName", "PhysicalName", "Type"},
                              {{"Old_Data", R"(E:\MSSQL\Data\Old_Data.MDF)", "D"},
                               {"Old_Log", R"(F:\Logs\Old_Log.LDF)", "L"},
                               {"Old_Extra", R"(G:\x\Old_2.NDF)", "D"}}};
  static Lines ReadFileList(int rows) {
    Lines lines = {"result move first"};
    for (int i = 0; i < rows; ++i) {
      lines.insert(lines.end(),
                   {"result eof", "result collect LogicalName", "result collect PhysicalName",
                    "result collect Type", "result move next"});
    }
    lines.insert(lines.end(), {"result eof", "result close", "release result"});
    return lines;
  }
  const Lines kReadFileList = ReadFileList(3);
  // Which database lists which file; the fake server lists none.
  const Lines kReadOwners = {"execute select name, dbid from master.dbo.sysdatabases",
                             "result eof",
                             "result close",
                             "release result",
                             "execute select dbid, filename from master.dbo.sysaltfiles",
                             "result eof",
                             "result close",
                             "release result"};
  const Lines kConnect = {"create connection", "connection timeout 15", "command timeout 60",
                          kMasterConnection, "command timeout 0"};
  const Lines kRemoveShare = Execute(R"(xp_cmdshell 'net share BKSQLData$ /del')");
  const Lines kRemoveEmptyFolder = Execute(R"(xp_cmdshell 'rmdir c:\BKSQLData$')");
  const Lines kRemoveMarkerAndFolder = Concat({Execute(kDeleteMarker), kRemoveEmptyFolder});
  const Lines kRemoveFolder = Concat(
      {Execute(R"(xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')"), kRemoveMarkerAndFolder});
  const Lines kClose = {"connection close", "release connection"};
  const Lines kEnd = Concat({ReleaseLock(), kClose});
  const Lines kRemoteRun = Concat(
      {{"open dialog Sales", std::string("open for reading ") + kChosenFile},
       kConnect,
       TakeLock(),
       ShellCommand(R"(xp_cmdshell 'mkdir c:\BKSQLData$ ')"),
       Execute(kWriteMarker),
       ShellCommand(kMakeShareStatement, 2),
       {R"(net use delete \\DBHOST\IPC$)", R"(net use add \\DBHOST\BKSQLData$ backup pw)",
        std::string("text 1008 = 从[") + kChosenFile + "]复制到服务器...",
        std::string("copy ") + kChosenFile + " -> " + kTransferFile,
        "painted 1008 = 已复制0.00MB/总计0.00MB", R"(net use delete \\DBHOST\BKSQLData$)",
        std::string("execute ") + kRemoteFileList},
       kReadFileList,
       kReadOwners,
       Execute(R"(xp_cmdshell 'del "E:\MSSQL\Data\Sales.Mdf"')"),
       Execute(R"(xp_cmdshell 'del "F:\Logs\Sales.Ldf"')"),
       Execute(R"(xp_cmdshell 'del "E:\MSSQL\Data\Sales_1.ndf"')"),
       {"text 1008 = 开始还原数据库[Sales],请耐心等待..."},
       Execute(
           R"(restore database [Sales] from disk='c:\BKSQLData$\Sales.bak' WITH  move 'Old_Data' to 'E:\MSSQL\Data\Sales.Mdf',move 'Old_Log' to 'F:\Logs\Sales.Ldf',move 'Old_Extra' to 'E:\MSSQL\Data\Sales_1.ndf',stats = 1)"),
       {R"(text 1008 = 还原数据库[Sales]完成,E:\MSSQL\Data\Sales.Mdf,F:\Logs\Sales.Ldf,2.000s.)"},
       kRemoveShare,
       kRemoveFolder,
       kEnd});
};

TEST_F(RestoreTest, RemoteRunCopiesUnderTheDatabasesNameAndRestoresWithFreshNames) {
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Timeline(), kRemoteRun);
  EXPECT_EQ(fake.files.files[kTransferFile], "backup set");
  EXPECT_EQ(fake.files.writes, 1) << "settings saved";
  const FileDialogRequest& request = fake.window.fileDialogs.at(0);
  EXPECT_FALSE(request.save);
  EXPECT_EQ(request.flags, 6u);
  EXPECT_EQ(request.filter, "Backup File(*.bak)|*.bak|(All Files(*.*)|*.*||");
}

TEST_F(RestoreTest, SameMachineNamesTheChosenPathAndDropsFirstWhenAsked) {
  dlg.m_bSameMachine = 1;
  dlg.m_bDropBeforeRestore = 1;
  fake.server.answers["RESTORE FILELISTONLY from disk='/home/user/old/nightly.bak'"] = kFileList;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(
      After("command timeout 0"),
      Concat(
          {{"execute RESTORE FILELISTONLY from disk='/home/user/old/nightly.bak'"},
           kReadFileList,
           kReadOwners,
           Execute("RESTORE VERIFYONLY FROM DISK='/home/user/old/nightly.bak'"),
           DropChecks(),
           {"text 1008 = 开始删除原有数据库[Sales],请等待..."},
           Execute("drop database [Sales] "),
           Execute(R"(xp_cmdshell 'del "E:\MSSQL\Data\Sales.Mdf"')"),
           Execute(R"(xp_cmdshell 'del "F:\Logs\Sales.Ldf"')"),
           Execute(R"(xp_cmdshell 'del "E:\MSSQL\Data\Sales_1.ndf"')"),
           {"text 1008 = 开始还原数据库[Sales],请耐心等待..."},
           Execute(
               R"(restore database [Sales] from disk='/home/user/old/nightly.bak' with move 'Old_Data' to 'E:\MSSQL\Data\Sales.Mdf' ,move 'Old_Log' to 'F:\Logs\Sales.Ldf' ,move 'Old_Extra' to 'E:\MSSQL\Data\Sales_1.ndf' ,stats = 1)"),
           {R"(text 1008 = 还原数据库[Sales]完成,E:\MSSQL\Data\Sales.Mdf,F:\Logs\Sales.Ldf,2.000s.)"},
           kClose}));
}

TEST_F(RestoreTest, ToTheDataDirectoryBothFilesGoBesideMaster) {
  dlg.m_bRestoreToDataDir = 1;
  EXPECT_EQ(Run(), 1);
  const Lines afterFileList = After("result collect Type");
  const Lines expected = Concat({{std::string("execute ") + kMasterQuery, "result collect filename",
                                  "result close", "release result"},
                                 kReadOwners,
                                 Execute(R"(xp_cmdshell 'del "C:\MSSQL\Data\Sales.Mdf"')")});
  const auto start =
      std::find(afterFileList.begin(), afterFileList.end(), std::string("execute ") + kMasterQuery);
  ASSERT_NE(start, afterFileList.end());
  EXPECT_EQ(Lines(start, start + static_cast<long>(expected.size())), expected);
  EXPECT_EQ(dlg.m_strStatus,
            R"(还原数据库[Sales]完成,C:\MSSQL\Data\Sales.Mdf,C:\MSSQL\Data\Sales.Ldf,2.000s.)");
}

TEST_F(RestoreTest, PhysicalNamesWithoutAFolderBecomeTheBareNewNames) {
  fake.server.answers[kRemoteFileList] = {{"LogicalName", "PhysicalName", "Type"},
                                          {{"d", "data.mdf", "D"}, {"l", "log.ldf", "L"}}};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.m_strStatus, "还原数据库[Sales]完成,Sales.Mdf,Sales.Ldf,2.000s.");
}

TEST_F(RestoreTest, AReadOnlyBackupFileCanBeRestored) {
  // Only a file that cannot be read at all is refused; the fake's files are all
  // read-only in the sense that nothing here opens them for writing.
  fake.files.unreadable.insert(kChosenFile);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus, std::string("不能打开或文件不存") + kChosenFile + ".");
  EXPECT_EQ(Timeline(), (Lines{"open dialog Sales", std::string("open for reading ") + kChosenFile,
                               std::string("text 1008 = 不能打开或文件不存") + kChosenFile + "."}));
}

// A backup whose hash beside it does not match, or whose sidecar holds no hash, is
// refused before anything reaches the server; a matching one is restored.
TEST_F(RestoreTest, AFileThatDoesNotMatchItsHashReachesNoServer) {
  const std::string sidecar = std::string(kChosenFile) + ".sha256";
  for (const std::string& content :
       {testing::FakeFileSystem::FakeSha256("another backup set") + "  nightly.bak\n",
        std::string("not a hash\n")}) {
    fake.window.events.clear();
    fake.files.files[sidecar] = content;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kFailed);
    EXPECT_TRUE(dlg.m_strStatus.ends_with("数据库未还原.")) << dlg.m_strStatus;
    for (const std::string& line : Timeline()) {
      EXPECT_FALSE(line.starts_with("create connection")) << line;
    }
  }
  fake.window.events.clear();
  fake.files.files[sidecar] = testing::FakeFileSystem::FakeSha256("backup set") + "  nightly.bak\n";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kDone);
}

TEST_F(RestoreTest, NothingHappensWithoutADatabaseOrWhenTheDialogIsCancelled) {
  dlg.m_strDatabase.clear();
  EXPECT_EQ(Run(), -1);
  EXPECT_TRUE(Timeline().empty());
  dlg.m_strDatabase = "Sales";
  fake.window.fileDialogAnswers.clear();
  EXPECT_EQ(dlg.RestoreDatabase(), -1);
  EXPECT_EQ(Timeline(), Lines{"open dialog Sales"});
}

TEST_F(RestoreTest, RefusedLogOnRemovesShareThenFolder) {
  dlg.m_strNetPassword = "";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(After("net use add"), Concat({{"text 1008 = 登陆远程服务器[DBHOST]失败!"},
                                          kRemoveShare,
                                          kRemoveMarkerAndFolder,
                                          kEnd}));
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(RestoreTest, ARefusedCopySendsNoRestoreStatementAndStillCleansUp) {
  fake.files.failCopies.insert(kChosenFile);
  dlg.m_bSaveNetPassword = 0;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(
      After("copy "),
      Concat({{R"(net use delete \\DBHOST\BKSQLData$)",
               "text 1008 = 由于没有服务器[DBHOST]的可写权限,还原失败。请更换登录用户后再试。"},
              kRemoveShare,
              kRemoveFolder,
              kEnd}));
  EXPECT_EQ(dlg.m_strNetPassword, "");
  EXPECT_EQ(fake.files.writes, 0) << "settings not saved";
}

TEST_F(RestoreTest, AFileListWithoutALogFileRestoresNothing) {
  fake.server.answers[kRemoteFileList].rows.resize(1);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus,
            std::string("备份文件[") + kChosenFile + "]中找不到数据文件或日志文件,数据库未还原.");
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("execute restore database")) << line;
  }
}

TEST_F(RestoreTest, ANameTheShellWouldMisreadIsRefusedBeforeAnythingIsDropped) {
  dlg.m_bDropBeforeRestore = 1;
  dlg.m_bRestoreToDataDir = 0;
  fake.server.answers[kRemoteFileList] = {
      {"LogicalName", "PhysicalName", "Type"},
      {{"d", R"(E:\100%" & echo\x.mdf)", "D"}, {"l", R"(F:\Logs\x.ldf)", "L"}}};
  EXPECT_EQ(Run(), 0);
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("execute drop")) << line;
    EXPECT_FALSE(line.starts_with("execute xp_cmdshell 'del \"") &&
                 !line.starts_with("execute xp_cmdshell 'del \"c:\\BKSQLData$"))
        << line;
  }
  EXPECT_EQ(
      dlg.m_strStatus,
      R"(数据库文件名[E:\100%" & echo\Sales.Mdf]含有双引号、百分号、星号、问号或换行,无法安全地交给命令行删除;数据库未还原.)");
  EXPECT_EQ(After("text 1008 = 数据库文件名"), Concat({kRemoveShare, kRemoveFolder, kEnd}));
}

TEST_F(RestoreTest, QuotesInLogicalNamesAndTheDatabaseNameAreDoubled) {
  dlg.m_bSameMachine = 1;
  dlg.m_strDatabase = "O'Brien]s";
  fake.server.answers["RESTORE FILELISTONLY from disk='/home/user/old/nightly.bak'"] = {
      {"LogicalName", "PhysicalName", "Type"},
      {{"a'b", R"(E:\D\x.mdf)", "D"}, {"c", R"(E:\D\y.ldf)", "L"}}};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(
      After("text 1008 = 开始还原数据库").at(0),
      R"(execute restore database [O'Brien]]s] from disk='/home/user/old/nightly.bak' with move 'a''b' to 'E:\D\O''Brien]s.Mdf' ,move 'c' to 'E:\D\O''Brien]s.Ldf' ,stats = 1)");
}

// Each statement failing in turn: result 0, the server's text, the share and folder
// taken down as far as this run had made them.
TEST_F(RestoreTest, AnSqlFailureAtEachStepTakesDownWhatTheRunHadMade) {
  const Lines kShareDel = {"execute xp_cmdshell 'net share BKSQLData$ /del'"};
  const Lines kRelease = {std::string("execute ") + kReleaseLock};
  const Lines kAll = Concat({kShareDel, kRemoveFolder, kRelease});
  const struct {
    std::string failing;
    Lines cleanUp;
  } kRows[] = {
      {"connection open", {}},
      {"execute declare @result", {}},
      {"execute xp_cmdshell 'mkdir", kRelease},
      {"execute xp_cmdshell 'net share BKSQLData$=", Concat({kRemoveMarkerAndFolder, kRelease})},
      {"execute RESTORE FILELISTONLY", kAll},
      {"result collect PhysicalName", kAll},
      {"execute xp_cmdshell 'del \"E", kAll},
      {"execute restore database", kAll},
  };
  for (const auto& row : kRows) {
    fake.window.events.clear();
    fake.files.writes = 0;
    fake.server.failures = {{row.failing, "failed: " + row.failing}};
    EXPECT_EQ(Run(), 0) << row.failing;
    Lines tail = After(row.failing);
    Lines expected = Concat({row.cleanUp, {"text 1008 = failed: " + row.failing}});
    for (Lines* lines : {&tail, &expected}) {
      std::erase(*lines, "release result");
      std::erase(*lines, "release connection");
    }
    EXPECT_EQ(tail, expected) << row.failing;
    EXPECT_EQ(fake.files.writes, 0) << row.failing;
  }
}

TEST_F(RestoreTest, TheFileListIsReadByTypeNotByPosition) {
  fake.server.answers[kRemoteFileList] = {{"LogicalName", "PhysicalName", "Type"},
                                          {{"L1", R"(F:\x\l.ldf)", "L"},
                                           {"D1", R"(E:\x\d.mdf)", "D"},
                                           {"D2", R"(G:\y\e.ndf)", "D"},
                                           {"D3", R"(H:\z\f.ndf)", "D"}}};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(
      After("text 1008 = 开始还原数据库").at(0),
      R"(execute restore database [Sales] from disk='c:\BKSQLData$\Sales.bak' WITH  move 'D1' to 'E:\x\Sales.Mdf',move 'L1' to 'F:\x\Sales.Ldf',move 'D2' to 'E:\x\Sales_1.ndf',move 'D3' to 'E:\x\Sales_2.ndf',stats = 1)");
}

// A target file that another database lists is that database's: the run stops before
// anything is dropped or deleted. The database's own files are left to its drop.
TEST_F(RestoreTest, AFileAnotherDatabaseListsStopsTheRunBeforeAnythingIsDropped) {
  dlg.m_bDropBeforeRestore = 1;
  fake.server.answers["select name, dbid from master.dbo.sysdatabases"] = {
      {"name", "dbid"}, {{"Sales", "7"}, {"Archive", "9"}}};
  fake.server.answers["select dbid, filename from master.dbo.sysaltfiles"] = {
      {"dbid", "filename"},
      {{"7", R"(E:\MSSQL\Data\Sales.Mdf      )"}, {"9", R"(f:\logs\SALES.LDF)"}}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(
      dlg.m_strStatus,
      R"(还原的目标文件[F:\Logs\Sales.Ldf]属于数据库[Archive];数据库未还原,没有删除任何文件.)");
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("execute drop") ||
                 line.starts_with("execute RESTORE VERIFYONLY") ||
                 line.starts_with(R"(execute xp_cmdshell 'del "E:)") ||
                 line.starts_with(R"(execute xp_cmdshell 'del "F:)"))
        << line;
  }

  fake.server.answers["select dbid, filename from master.dbo.sysaltfiles"].rows.resize(1);
  fake.window.events.clear();
  EXPECT_EQ(Run(), 1);
  const Lines timeline = Timeline();
  const auto sent = [&](const std::string& line) {
    return std::find(timeline.begin(), timeline.end(), line) != timeline.end();
  };
  EXPECT_TRUE(sent("execute drop database [Sales] "));
  EXPECT_FALSE(sent(R"(execute xp_cmdshell 'del "E:\MSSQL\Data\Sales.Mdf"')"));
  EXPECT_TRUE(sent(R"(execute xp_cmdshell 'del "F:\Logs\Sales.Ldf"')"));
}

TEST_F(RestoreTest, DropFirstDropsNothingWhenTheServerCannotReadTheBackupWhole) {
  dlg.m_bDropBeforeRestore = 1;
  const std::string refusal =
      R"(The media family on device 'c:\BKSQLData$\Sales.bak' is incorrectly formed.)";
  fake.server.failures = {
      {"execute RESTORE VERIFYONLY FROM DISK='c:\\BKSQLData$\\Sales.bak'", refusal}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(dlg.m_strStatus, refusal);
  EXPECT_EQ(After("execute RESTORE VERIFYONLY"), Concat({kRemoveShare,
                                                         kRemoveFolder,
                                                         ReleaseLock(),
                                                         {"text 1008 = " + refusal},
                                                         {"release connection"}}));
}

// Before the old database goes, everything that would stop the run after the drop is
// asked: it is there, nobody uses it, the shell answers. Any refusal drops and deletes
// nothing of the database's.
TEST_F(RestoreTest, DropFirstDropsAndDeletesNothingWhenTheDropOrTheShellWouldFail) {
  dlg.m_bDropBeforeRestore = 1;
  const struct {
    const char* statement;
    FakeRows answer;
    std::string status;
  } kRefusals[] = {
      {kSalesThere,
       {{"name"}, {}},
       "服务器上没有数据库[Sales],无法在还原前删除它;没有删除任何文件,数据库未还原."},
      {kSalesUsers,
       {{"users"}, {{"2"}}},
       "数据库[Sales]正被2个连接使用,无法删除;没有删除任何文件,数据库未还原."},
      {kShellProbe,
       {{"output"}, {{"'echo' is not recognized"}, {std::nullopt}}},
       "服务器[(local)]的命令行没有应答,无法删除旧文件;数据库[Sales]未删除,也未还原."},
  };
  for (const auto& refusal : kRefusals) {
    const FakeRows normal = fake.server.answers[refusal.statement];
    fake.server.answers[refusal.statement] = refusal.answer;
    fake.window.events.clear();
    EXPECT_EQ(Run(), 0) << refusal.status;
    EXPECT_EQ(dlg.m_strStatus, refusal.status);
    for (const std::string& line : Timeline()) {
      EXPECT_FALSE(line.starts_with("execute drop") ||
                   (line.starts_with("execute xp_cmdshell 'del \"") &&
                    !line.starts_with("execute xp_cmdshell 'del \"c:\\BKSQLData$")))
          << line;
    }
    fake.server.answers[refusal.statement] = normal;
  }
}

TEST_F(RestoreTest, WildcardsInTheNameNeverReachTheShell) {
  dlg.m_strDatabase = "Sales*";
  EXPECT_EQ(Run(), 0);  // the transfer file's name: refused before connecting
  EXPECT_EQ(Timeline().size(), 3u);
  dlg.m_bSameMachine = 1;
  fake.server.answers["RESTORE FILELISTONLY from disk='/home/user/old/nightly.bak'"] = kFileList;
  fake.window.events.clear();
  EXPECT_EQ(Run(), 0);  // the database's new files
  for (const std::string& line : Timeline()) {
    EXPECT_FALSE(line.starts_with("execute xp_cmdshell") || line.starts_with("execute drop"))
        << line;
  }
}

}  // namespace
}  // namespace harrowlander
