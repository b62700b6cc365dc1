#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "platform/odbc/odbc_connection_factory.h"
#include "server_process.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::testing {

// The dialog on the real ODBC adapter, talking to a testserver of its own on
// loopback (a fresh state directory, the demo databases seeded, every batch logged).
class TestServerTest : public ::testing::Test {
 protected:
  // Extra testserver arguments (fault switches, listener, browser).
  virtual std::vector<std::string> ServerArguments() { return {}; }

  void SetUp() override {
    std::vector<std::string> args = {"--seed", "--log",
                                     (m_scratch.Path() / "batches.log").string()};
    for (const std::string& extra : ServerArguments()) {
      args.push_back(extra);
    }
    server = std::make_unique<ServerProcess>(args);
    ASSERT_TRUE(server->Ready()) << "testserver did not start";
    fake.sql.real = &odbcFactory;
    dlg.m_strServer = "127.0.0.1," + std::to_string(server->Port());
    dlg.m_strSqlPassword = ServerProcess::kSaPassword;
    dlg.m_nConnectTimeout = 5;
    dlg.m_nCommandTimeout = 10;
    dlg.UpdateData(false);
  }

  // Every batch the server received, in order.
  std::vector<std::string> ServerBatches() const {
    std::vector<std::string> batches;
    std::ifstream log(m_scratch.Path() / "batches.log");
    for (std::string line; std::getline(log, line);) {
      batches.push_back(JsonField(line, "sql"));
    }
    return batches;
  }

  // Where a Windows path of the played server lies in its state directory.
  std::filesystem::path OnServerDisk(const std::string& windowsPath) const {
    std::string relative = windowsPath.substr(3);
    for (char& c : relative) {
      if (c == '\\') {
        c = '/';
      }
    }
    return server->StateDir() / std::string(1, static_cast<char>(std::tolower(windowsPath[0]))) /
           relative;
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

  ScratchDir m_scratch;
  std::unique_ptr<ServerProcess> server;
  odbc::OdbcConnectionFactory odbcFactory;
  FakePlatform fake;
  CHarrowlanderDlg dlg{fake.ports};
};

}  // namespace harrowlander::testing
