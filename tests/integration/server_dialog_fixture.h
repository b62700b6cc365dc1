#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_platform.h"
#include "ops/drop_lock.h"
#include "platform/odbc/odbc_connection_factory.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::testing {

// The dialog on the real ODBC adapter, signed in as sa to a testserver on loopback, and
// what that server leaves for a test to check: its log of batches and the files of the
// Windows disks it plays. Who starts the server is the subclass's business, so this part
// builds for every system the adapter runs on.
class ServerDialogTest : public ::testing::Test {
 protected:
  // Where the server keeps the files of the databases it creates.
  static constexpr const char* kDataDirectory =
      "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";

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
              "是否删除以下数据表？\nSYS_CONFIG\tSYS_LOG\tSYS_USER");
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

  odbc::OdbcConnectionFactory odbcFactory;
  FakePlatform fake;
  CHarrowlanderDlg dlg{fake.ports};

 private:
  std::filesystem::path m_batchLog;
  std::filesystem::path m_stateDir;
};

}  // namespace harrowlander::testing
