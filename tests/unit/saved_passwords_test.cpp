#include <gtest/gtest.h>

#include <functional>

#include "fakes/sql_dialog_fixture.h"
#include "ops/drop_lock.h"

namespace harrowlander {
namespace {

#ifdef _WIN32
const std::string kChosen = R"(C:\Users\user\bk\Sales.bak)";
#else
const std::string kChosen = "/home/user/bk/Sales.bak";
#endif
const std::string kSettings = "/home/user/.cache/Harrowlander.dat";
const std::string kTableQuery =
    "select name from sysobjects where (name like 'SYS_%') and xtype='U' order by name";

// Every operation that saves the settings keeps a password there only while its save
// box is checked.
class SavedPasswordsTest : public testing::SqlDialogTest {
 protected:
  void SetUp() override {
    SqlDialogTest::SetUp();
    dlg.m_strDatabase = "Sales";
    dlg.m_bSameMachine = 1;
    dlg.m_bRestoreToDataDir = 0;
    dlg.m_strTableKeyword = "SYS_%";
    fake.files.files[kChosen] = "backup set";
    fake.server.answers["RESTORE FILELISTONLY from disk='" + kChosen + "'"] = {
        {"LogicalName", "PhysicalName", "Type"},
        {{"d", R"(E:\D\d.mdf)", "D"}, {"l", R"(E:\D\l.ldf)", "L"}}};
    fake.server.answers[kTableQuery] = {{"name"}, {{"SYS_A"}}};
    fake.window.PressKey(vk::kControl);
    for (int key : kDropLockDigitKeys) {
      fake.window.PressKey(key);
    }
  }

  // The settings file as the operation left it.
  std::string SavedAfter(const std::function<int()>& operation, bool keep) {
    dlg.m_strSqlPassword = "sql-secret";
    dlg.m_strNetPassword = "net-secret";
    dlg.m_bSaveSqlPassword = keep ? 1 : 0;
    dlg.m_bSaveNetPassword = keep ? 1 : 0;
    fake.files.files.erase(kSettings);
    fake.window.fileDialogAnswers = {kChosen};
    fake.window.messageBoxAnswers = {kIdYes};
    EXPECT_EQ(operation(), 1);
    return fake.files.files[kSettings];
  }
};

TEST_F(SavedPasswordsTest, OnlyCheckedPasswordsReachTheSettingsFile) {
  const std::pair<const char*, std::function<int()>> operations[] = {
      {"backup", [this] { return dlg.BackupDatabase(); }},
      {"restore", [this] { return dlg.RestoreDatabase(); }},
      {"drop tables", [this] { return dlg.DropTables(); }},
  };
  for (const auto& [name, operation] : operations) {
    for (bool keep : {false, true}) {
      const std::string saved = SavedAfter(operation, keep);
      ASSERT_FALSE(saved.empty()) << name;
      EXPECT_EQ(saved.find("sql-secret") != std::string::npos, keep) << name << " " << keep;
      EXPECT_EQ(saved.find("net-secret") != std::string::npos, keep) << name << " " << keep;
    }
  }
}

}  // namespace
}  // namespace harrowlander
