#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_platform.h"
#include "ops/drop_lock.h"
#include "platform/odbc/odbc_connection_factory.h"
#include "res/resource_ids.h"
#include "sql/connection_string.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::testing {

// The dialog on the real ODBC adapter, signed in as sa to a testserver on loopback, and
// what that server leaves for a test to check: its log of batches and the files of the
// Windows disks it plays. Who starts the server is the subclass's business, so this part
// builds for every system the adapter runs on.
class ServerDialogTest : public ::testing::Test {
 protected:
  // Where the server keeps the files of the databases it creates, and its backups.
  static constexpr const char* kDataDirectory =
      "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";
  static constexpr const char* kBackupDirectory =
      "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\BACKUP\\";

  // Points the dialog at the server; the server writes its batches to batchLog (its --log)
  // and keeps its disks under stateDir (its --state).
  void UseServer(const std::string& server, const std::string& saPassword,
                 std::filesystem::path batchLog, std::filesystem::path stateDir) {
    m_batchLog = std::move(batchLog);
    m_stateDir = std::move(stateDir);
    fake.sql.real = &odbcFactory;
    dlg.m_strServer = server;
    dlg.m_strSqlPassword = saPassword;
    dlg.m_nConnectTimeout = 5;
    dlg.m_nCommandTimeout = 10;
    dlg.UpdateData(false);
  }

  // Every batch the server received, in order.
  std::vector<std::string> ServerBatches() const {
    std::vector<std::string> batches;
    std::ifstream log(m_batchLog);
    for (std::string line; std::getline(log, line);) {
      batches.push_back(JsonField(line, "sql"));
    }
    return batches;
  }

  static bool Sent(const std::vector<std::string>& batches, const std::string& batch) {
    return std::find(batches.begin(), batches.end(), batch) != batches.end();
  }

  // Every database on the server, as the dialog lists them with Ctrl held.
  std::vector<std::string> Databases() {
    fake.window.PressKey(vk::kControl);
    dlg.OnDropdownDatabase();
    fake.window.ReleaseKey(vk::kControl);
    return fake.window.combos[res::IDC_DATABASE].items;
  }

  // Where a Windows path of the played server lies in its state directory.
  std::filesystem::path OnServerDisk(const std::string& windowsPath) const {
    std::string relative = windowsPath.substr(3);
    for (char& c : relative) {
      if (c == '\\') {
        c = '/';
      }
    }
    return m_stateDir / std::string(1, static_cast<char>(std::tolower(windowsPath[0]))) / relative;
  }

  // The operations as both systems' tests run them on the seeded server, each checking
  // what the dialog shows and what the server received.

  void ShrinkSales() {
    dlg.m_strDatabase = "Sales";
    EXPECT_EQ(dlg.ShrinkDatabase(), 1);
    EXPECT_EQ(dlg.m_strStatus, "已经收缩数据库[Sales].");
    const auto batches = ServerBatches();
    EXPECT_TRUE(Sent(batches, "backup log [Sales] with no_log"));
    EXPECT_TRUE(Sent(batches, "DBCC SHRINKDATABASE ([Sales],10)"));
  }

  // Deletes Sales, answering Yes; its two files go from the server's disk and the
  // database from the list.
  void DeleteSales() {
    const std::string dataFile = std::string(kDataDirectory) + "Sales_Data.MDF";
    const std::string logFile = std::string(kDataDirectory) + "Sales_Log.LDF";
    ASSERT_TRUE(std::filesystem::exists(OnServerDisk(dataFile)));

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
    const auto databases = Databases();
    EXPECT_EQ(std::find(databases.begin(), databases.end(), "Sales"), databases.end());
  }

  void DeleteOfAMissingDatabaseShowsTheServersRefusal() {
    dlg.m_strDatabase = "Nope";
    fake.window.messageBoxAnswers = {kIdYes};
    EXPECT_EQ(dlg.DeleteDatabase(), 0);
    EXPECT_TRUE(dlg.m_strStatus.starts_with("Cannot drop the database 'Nope'")) << dlg.m_strStatus;
  }

  // Backs Sales up into the server's backup folder and restores it from there as
  // SalesCopy, the tool on the server's own machine; the copy has Sales's tables.
  void BackUpAndRestoreSalesOnTheSameMachine() {
    const std::string onServer = std::string(kBackupDirectory) + "Sales_here.bak";
    const std::string file = SameMachinePath(onServer);
    dlg.m_bSameMachine = 1;
    dlg.m_bIncremental = 0;
    dlg.m_bSaveSqlPassword = 1;  // kept for the restore after the backup
    dlg.m_strDatabase = "Sales";
    fake.window.fileDialogAnswers = {file};
    EXPECT_EQ(dlg.BackupDatabase(), 1);
    EXPECT_TRUE(dlg.m_strStatus.starts_with("已经备份完成.")) << dlg.m_strStatus;
    // Written beside the chosen file, then moved over it.
    EXPECT_TRUE(Sent(ServerBatches(), "backup database [Sales] to disk='" + file +
                                          ".partial' with init, stats = 1"));
    ASSERT_TRUE(std::filesystem::exists(OnServerDisk(onServer)));
    EXPECT_FALSE(std::filesystem::exists(OnServerDisk(onServer + ".partial")));

    dlg.m_strDatabase = "SalesCopy";
    fake.window.fileDialogAnswers = {file};
    EXPECT_EQ(dlg.RestoreDatabase(), 1);
    EXPECT_TRUE(dlg.m_strStatus.starts_with("还原数据库[SalesCopy]完成,")) << dlg.m_strStatus;
    EXPECT_TRUE(Sent(ServerBatches(), "RESTORE FILELISTONLY from disk='" + file + "'"));
    EXPECT_EQ(UserTables("SalesCopy"), UserTables("Sales"));
    EXPECT_FALSE(UserTables("Sales").empty());
  }

  // A file on the server's disk as the tool on the server's own machine names it: on
  // Windows by the server's path; on Linux by where that path lies, as the server
  // takes a POSIX path as it stands.
  std::string SameMachinePath(const std::string& windowsPath) const {
#ifdef _WIN32
    return windowsPath;
#else
    return OnServerDisk(windowsPath).string();
#endif
  }

  // The user tables of a database, by name.
  std::vector<std::string> UserTables(const std::string& database) {
    CHarrowlanderDlg reader(fake.ports);
    reader.m_strServer = dlg.m_strServer;
    reader.m_strSqlPassword = dlg.m_strSqlPassword;
    std::unique_ptr<SqlConnection> connection = odbcFactory.CreateConnection();
    connection->Open(sql::BuildConnectionString(reader.Login(), database));
    std::unique_ptr<SqlRecordset> rows =
        connection->Execute("select name from sysobjects where xtype='U' order by name");
    std::vector<std::string> names;
    for (; !rows->IsEof(); rows->MoveNext()) {
      names.push_back(rows->Collect("name").text);
    }
    return names;
  }

  // Drops the tables of Sales that match "SYS_%", with the lock chord held and Yes
  // answered.
  void DropSysTablesOfSales() {
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
              "服务器[" + dlg.m_strServer +
                  "]上的数据库[Sales]:\n是否删除以下数据表？\nSYS_CONFIG\tSYS_LOG\tSYS_USER");
    EXPECT_EQ(fake.window.texts[res::IDC_STATUS], "已删除指定的数据表");
    const auto batches = ServerBatches();
    for (const char* table : {"SYS_CONFIG", "SYS_LOG", "SYS_USER"}) {
      EXPECT_TRUE(Sent(batches, std::string("Drop Table [") + table + "]")) << table;
    }
  }

  // A string field of one JSON log line; the batches checked here hold no control
  // characters, so an escape is the character after the backslash.
  static std::string JsonField(const std::string& line, const std::string& key) {
    const std::string start = "\"" + key + "\":\"";
    const size_t at = line.find(start);
    std::string value;
    for (size_t i = at + start.size(); at != std::string::npos && i < line.size() && line[i] != '"';
         ++i) {
      value += line[i] == '\\' ? line[++i] : line[i];
    }
    return value;
  }

  // On the same machine the workstation's disks are the server's: whether a file opens
  // is asked of the server's disks, where a Windows path lies in the server's state
  // directory and a POSIX path stands as it is. Everything else is the fake's.
  class SameMachineFiles : public FileSystem {
   public:
    SameMachineFiles(FileSystem& others, const ServerDialogTest& test)
        : m_others(others), m_test(test) {}
    FileContent ReadFileContent(const std::string& path) override {
      return m_others.ReadFileContent(path);
    }
    FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) override {
      return m_others.ReplaceFilePrivately(path, content);
    }
    // The files the server wrote, on the server's disks.
    FileResult MoveOver(const std::string& from, const std::string& path) override {
      std::error_code error;
      std::filesystem::rename(OnDisk(from), OnDisk(path), error);
      return {!error, error.message()};
    }
    CopyOutcome CopyFile(const std::string& source, const std::string& destination,
                         CopyObserver& observer) override {
      return m_others.CopyFile(source, destination, observer);
    }
    std::optional<std::uint64_t> FileSize(const std::string& path) override {
      return m_others.FileSize(path);
    }
    std::optional<std::uint64_t> FreeSpace(const std::string& path) override {
      return m_others.FreeSpace(path);
    }
    bool DeleteFile(const std::string& path) override { return m_others.DeleteFile(path); }
    bool CanOpenForReading(const std::string& path) override {
      return std::ifstream(OnDisk(path)).good();
    }
    // The file the server wrote, read where it lies (with the fake's stand-in hash).
    std::optional<std::string> Sha256OfFile(const std::string& path,
                                            const std::function<bool()>&) override {
      std::ifstream in(OnDisk(path), std::ios::binary);
      if (!in) {
        return std::nullopt;
      }
      return FakeFileSystem::FakeSha256({std::istreambuf_iterator<char>(in), {}});
    }

   private:
    std::filesystem::path OnDisk(const std::string& path) const {
      const bool windowsPath = path.size() > 3 &&
                               std::isalpha(static_cast<unsigned char>(path[0])) &&
                               path.compare(1, 2, ":\\") == 0;
      return windowsPath ? m_test.OnServerDisk(path) : std::filesystem::path(path);
    }

    FileSystem& m_others;
    const ServerDialogTest& m_test;
  };

  odbc::OdbcConnectionFactory odbcFactory;
  FakePlatform fake;
  SameMachineFiles files{fake.files, *this};
  Platform ports{fake.window,         fake.system,        files,
                 fake.codec,          fake.sql,           fake.browser,
                 fake.standardOutput, fake.standardError, fake.launcher,
                 fake.clientUtility,  fake.network};
  CHarrowlanderDlg dlg{ports};

 private:
  std::filesystem::path m_batchLog;
  std::filesystem::path m_stateDir;
};

}  // namespace harrowlander::testing
