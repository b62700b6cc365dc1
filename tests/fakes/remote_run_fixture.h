#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/sql_dialog_fixture.h"

namespace harrowlander::testing {

// Backup and Restore of Sales through the share of DBHOST, with the answers of a server
// whose folder, share and lock are all free.
class RemoteRunTest : public SqlDialogTest {
 protected:
#ifdef _WIN32
  static constexpr const char* kBackupPath = R"(C:\Users\user\bk\Sales.bak)";
#else
  static constexpr const char* kBackupPath = "/home/user/bk/Sales.bak";
#endif
  static constexpr const char* kTransferFile = R"(\\DBHOST\BKSQLData$\Sales.bak)";
  static constexpr const char* kMakeFolder = R"(xp_cmdshell 'mkdir c:\BKSQLData$ ')";
  static constexpr const char* kListFolder = R"(exec master.dbo.xp_dirtree 'c:\BKSQLData$',1,1)";
  static constexpr const char* kAskShare = R"(xp_cmdshell 'net share BKSQLData$')";

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

  int Backup() {
    fake.window.fileDialogAnswers = {kBackupPath};
    return dlg.BackupDatabase();
  }

  // The folder is there already, holding these files (none of them folders).
  void FolderThereWith(const std::vector<std::string>& files) {
    fake.server.answers[kMakeFolder] = {
        {"output"}, {{R"(A subdirectory or file c:\BKSQLData$ already exists.)"}, {std::nullopt}}};
    FakeRows listing{{"subdirectory", "depth", "file"}, {}};
    for (const std::string& name : files) {
      listing.rows.push_back({name, "1", "1"});
    }
    fake.server.answers[kListFolder] = listing;
  }

  // The share's name is taken, by a share of `folder`.
  void ShareThereFor(const std::string& folder) {
    fake.server.answers[kMakeShareStatement] = {{"output"},
                                                {{"System error 2118 has occurred."},
                                                 {std::nullopt},
                                                 {"The name has already been shared."}}};
    fake.server.answers[kAskShare] = {{"output"},
                                      {{"Share name        BKSQLData$"},
                                       {"Path              " + folder},
                                       {"Remark"},
                                       {std::nullopt},
                                       {"The command completed successfully."}}};
  }

  bool Sent(const std::string& statement) const {
    const std::vector<std::string> timeline = Timeline();
    return std::find(timeline.begin(), timeline.end(), "execute " + statement) != timeline.end();
  }
  // Every shell deletion and share removal sent, in order.
  std::vector<std::string> Removals() const {
    std::vector<std::string> removals;
    for (const std::string& line : Timeline()) {
      if (line.starts_with("execute xp_cmdshell 'del") || line.ends_with("/del'") ||
          line.starts_with("execute xp_cmdshell 'rmdir")) {
        removals.push_back(line.substr(std::string("execute ").size()));
      }
    }
    return removals;
  }
};

}  // namespace harrowlander::testing
