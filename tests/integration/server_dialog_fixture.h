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
