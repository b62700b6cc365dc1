#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

#include "fakes/fake_platform.h"
#include "ui/harrowlander_dlg.h"
#include "unit/settings_bytes.h"

namespace harrowlander {
namespace {

using namespace std::string_literals;
using testing::SettingsBytes;

const std::string kPath = "/home/user/.cache/Harrowlander.dat";
const std::string kCaption = "Harrowlander";
constexpr unsigned kExclamationOk = 0x30;

// A version-11 file with a distinct value in every row, so that a row read into the
// wrong field or out of order shows.
SettingsBytes Version11(std::int32_t version = 11) {
  SettingsBytes b;
  b.Int(version).Str("srv").Str("usr").Str("pw").Str("db").Str("r.exe");
  b.Int(1).Int(1).Int(1).Int(1).Int(1).Int(0).Int(0);  // rows 6-12
  b.Str("ns").Str("nu").Str("np").Int(1).Int(1).Int(3).Int(0).Int(55).Str("kw");
  b.Int(30).Int(600);
  return b;
}

struct SettingsFileTest : ::testing::Test {
  testing::FakePlatform fake;
  CHarrowlanderDlg dlg{fake.ports};

  bool Load(const std::string& content) {
    fake.files.files[kPath] = content;
    return dlg.SerializeSettings(false);
  }
  std::string Save() {
    EXPECT_TRUE(dlg.SerializeSettings(true));
    return fake.files.files[kPath];
  }
};

TEST_F(SettingsFileTest, Version11WithEmptyStringsIsSixtyNineBytes) {
  dlg.m_strServer.clear();
  dlg.m_strSqlUser.clear();
  dlg.m_bSaveSqlPassword = 101;
  dlg.m_bSameMachine = 102;
  dlg.m_bCompressRar = 103;
  dlg.m_bShrinkBeforeBackup = 104;
  dlg.m_bDropBeforeRestore = 105;
  dlg.m_bIncremental = 106;
  dlg.m_bRestoreToDataDir = 107;
  dlg.m_bSaveNetPassword = 108;
  dlg.m_nMode = 4;
  dlg.m_bTruncateLogBeforeShrink = 109;
  dlg.m_nShrinkPercent = 110;
  dlg.m_nConnectTimeout = 111;
  dlg.m_nCommandTimeout = -2;

  SettingsBytes expected;
  expected.Int(11).Str("").Str("").Str("").Str("").Str("");
  expected.Int(101).Int(102).Int(103).Int(104).Int(105).Int(106).Int(107);
  expected.Str("").Str("").Str("").Int(108).Int(102).Int(4).Int(109).Int(110).Str("");
  expected.Int(111).Int(-2);

  const std::string saved = Save();
  EXPECT_EQ(saved.size(), 69u);
  EXPECT_EQ(saved, expected.bytes());
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

TEST_F(SettingsFileTest, SaveThenLoadKeepsEveryStoredFieldButNoArchivePasswordOrStatus) {
  dlg.m_strServer = "数据库服务器\\实例";
  dlg.m_strSqlUser = "admin";
  dlg.m_strSqlPassword = "sql-secret";
  dlg.m_strDatabase = "账目";
  dlg.m_strRarExePath = "C:\\Program Files\\WinRAR\\WinRAR.exe";
  dlg.m_strNetServer = "SERVER1";
  dlg.m_strNetUser = "管理员";
  dlg.m_strNetPassword = "net-secret";
  dlg.m_strTableKeyword = "tmp_%;log_%";
  dlg.m_bSaveSqlPassword = 1;
  dlg.m_bSameMachine = 1;
  dlg.m_bCompressRar = 1;
  dlg.m_bShrinkBeforeBackup = 1;
  dlg.m_bDropBeforeRestore = 1;
  dlg.m_bIncremental = 0;
  dlg.m_bRestoreToDataDir = 0;
  dlg.m_bSaveNetPassword = 1;
  dlg.m_nMode = 3;
  dlg.m_bTruncateLogBeforeShrink = 0;
  dlg.m_nShrinkPercent = 77;
  dlg.m_nConnectTimeout = 12000;
  dlg.m_nCommandTimeout = 0;
  dlg.m_strRarPassword = "rar-secret-1";
  dlg.m_strRarPassword2 = "rar-secret-2";
  dlg.m_strStatus = "status-text";

  const std::string saved = Save();
  EXPECT_EQ(saved.find("rar-secret"), std::string::npos);
  EXPECT_EQ(saved.find("status-text"), std::string::npos);

  CHarrowlanderDlg loaded(fake.ports);
  EXPECT_TRUE(loaded.SerializeSettings(false));
  EXPECT_EQ(loaded.m_strServer, dlg.m_strServer);
  EXPECT_EQ(loaded.m_strSqlUser, dlg.m_strSqlUser);
  EXPECT_EQ(loaded.m_strSqlPassword, dlg.m_strSqlPassword);
  EXPECT_EQ(loaded.m_strDatabase, dlg.m_strDatabase);
  EXPECT_EQ(loaded.m_strRarExePath, dlg.m_strRarExePath);
  EXPECT_EQ(loaded.m_strNetServer, dlg.m_strNetServer);
  EXPECT_EQ(loaded.m_strNetUser, dlg.m_strNetUser);
  EXPECT_EQ(loaded.m_strNetPassword, dlg.m_strNetPassword);
  EXPECT_EQ(loaded.m_strTableKeyword, dlg.m_strTableKeyword);
  EXPECT_EQ(loaded.m_bSaveSqlPassword, 1);
  EXPECT_EQ(loaded.m_bSameMachine, 1);
  EXPECT_EQ(loaded.m_bCompressRar, 1);
  EXPECT_EQ(loaded.m_bShrinkBeforeBackup, 1);
  EXPECT_EQ(loaded.m_bDropBeforeRestore, 1);
  EXPECT_EQ(loaded.m_bIncremental, 0);
  EXPECT_EQ(loaded.m_bRestoreToDataDir, 0);
  EXPECT_EQ(loaded.m_bSaveNetPassword, 1);
  EXPECT_EQ(loaded.m_nMode, 3);
  EXPECT_EQ(loaded.m_bTruncateLogBeforeShrink, 0);
  EXPECT_EQ(loaded.m_nShrinkPercent, 77);
  EXPECT_EQ(loaded.m_nConnectTimeout, 12000);
  EXPECT_EQ(loaded.m_nCommandTimeout, 0);
  EXPECT_EQ(loaded.m_strRarPassword, "");
  EXPECT_EQ(loaded.m_strRarPassword2, "");
  EXPECT_EQ(loaded.m_strStatus, "");
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

TEST_F(SettingsFileTest, ChineseTextIsStoredAsGbk) {
  dlg.m_strServer = "中文";
  EXPECT_EQ(Save().substr(4, 5), "\x04\xD6\xD0\xCE\xC4"s);
}

TEST_F(SettingsFileTest, Version1LoadsItsNineFieldsOnly) {
  SettingsBytes v1;
  v1.Int(1).Str("srv").Str("usr").Str("pw").Str("db").Str("r.exe").Int(1).Int(1).Int(1).Int(1);
  Load(v1.bytes());
  EXPECT_EQ(dlg.m_strServer, "srv");
  EXPECT_EQ(dlg.m_strSqlUser, "usr");
  EXPECT_EQ(dlg.m_strSqlPassword, "pw");
  EXPECT_EQ(dlg.m_strDatabase, "db");
  EXPECT_EQ(dlg.m_strRarExePath, "r.exe");
  EXPECT_EQ(dlg.m_bSaveSqlPassword, 1);
  EXPECT_EQ(dlg.m_bSameMachine, 1);
  EXPECT_EQ(dlg.m_bCompressRar, 1);
  EXPECT_EQ(dlg.m_bDropBeforeRestore, 1);
  EXPECT_EQ(dlg.m_bShrinkBeforeBackup, 0);
  EXPECT_EQ(dlg.m_bIncremental, 1);
  EXPECT_EQ(dlg.m_bRestoreToDataDir, 1);
  EXPECT_EQ(dlg.m_strNetUser, "");
  EXPECT_EQ(dlg.m_nMode, 0);
  EXPECT_EQ(dlg.m_nShrinkPercent, 10);
  EXPECT_EQ(dlg.m_nConnectTimeout, 15);
  EXPECT_EQ(dlg.m_nCommandTimeout, 60);
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

TEST_F(SettingsFileTest, Version3AddsTheWindowsAccountSecondSameMachineAndMode) {
  SettingsBytes v3;
  v3.Int(3).Str("srv").Str("usr").Str("pw").Str("db").Str("r.exe").Int(0).Int(1).Int(0).Int(0);
  v3.Str("nu").Str("np").Int(0).Int(2);  // second same-machine slot, mode
  Load(v3.bytes());
  EXPECT_EQ(dlg.m_strNetUser, "nu");
  EXPECT_EQ(dlg.m_strNetPassword, "np");
  EXPECT_EQ(dlg.m_bSameMachine, 0);
  EXPECT_EQ(dlg.m_nMode, 2);
  EXPECT_EQ(dlg.m_strNetServer, "");
  EXPECT_EQ(dlg.m_bSaveNetPassword, 0);
  EXPECT_EQ(dlg.m_nConnectTimeout, 15);
  EXPECT_EQ(dlg.m_nCommandTimeout, 60);
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

TEST_F(SettingsFileTest, Version10HasNoIncrementalRow) {
  SettingsBytes v10;
  v10.Int(10).Str("srv").Str("usr").Str("pw").Str("db").Str("r.exe");
  v10.Int(1).Int(1).Int(1).Int(1).Int(1).Int(0);  // rows 6-10 and 12
  v10.Str("ns").Str("nu").Str("np").Int(1).Int(1).Int(3).Int(0).Int(55).Str("kw");
  v10.Int(30).Int(600);
  Load(v10.bytes());
  EXPECT_EQ(dlg.m_bIncremental, 1);
  EXPECT_EQ(dlg.m_bRestoreToDataDir, 0);
  EXPECT_EQ(dlg.m_strTableKeyword, "kw");
  EXPECT_EQ(dlg.m_nCommandTimeout, 600);
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

using D = CHarrowlanderDlg;

// The record's rows in file order, each with the version that brought it in. In a test
// file row r (from 1) holds "row<r>" or 100 + r, which no default equals.
struct RecordRow {
  std::int32_t firstVersion;
  std::string D::*text;
  std::int32_t D::*number;
};
const RecordRow kRecordRows[] = {
    {1, &D::m_strServer, nullptr},
    {1, &D::m_strSqlUser, nullptr},
    {1, &D::m_strSqlPassword, nullptr},
    {1, &D::m_strDatabase, nullptr},
    {1, &D::m_strRarExePath, nullptr},
    {1, nullptr, &D::m_bSaveSqlPassword},
    {1, nullptr, &D::m_bSameMachine},
    {1, nullptr, &D::m_bCompressRar},
    {6, nullptr, &D::m_bShrinkBeforeBackup},
    {1, nullptr, &D::m_bDropBeforeRestore},
    {11, nullptr, &D::m_bIncremental},
    {7, nullptr, &D::m_bRestoreToDataDir},
    {4, &D::m_strNetServer, nullptr},
    {2, &D::m_strNetUser, nullptr},
    {2, &D::m_strNetPassword, nullptr},
    {5, nullptr, &D::m_bSaveNetPassword},
    {2, nullptr, &D::m_bSameMachine},
    {3, nullptr, &D::m_nMode},
    {8, nullptr, &D::m_bTruncateLogBeforeShrink},
    {8, nullptr, &D::m_nShrinkPercent},
    {9, &D::m_strTableKeyword, nullptr},
    {10, nullptr, &D::m_nConnectTimeout},
    {10, nullptr, &D::m_nCommandTimeout},
};

TEST_F(SettingsFileTest, EveryVersionLoadsExactlyItsRowsAndLaterFieldsKeepTheirDefaults) {
  constexpr std::size_t kRows = std::size(kRecordRows);
  const CHarrowlanderDlg defaults(fake.ports);
  for (std::int32_t version = 1; version <= 11; ++version) {
    SettingsBytes file;
    file.Int(version);
    for (std::size_t r = 0; r < kRows; ++r) {
      const RecordRow& row = kRecordRows[r];
      if (row.firstVersion > version) {
        continue;
      }
      if (row.text != nullptr) {
        file.Str("row" + std::to_string(r + 1));
      } else {
        file.Int(static_cast<std::int32_t>(101 + r));
      }
    }
    testing::FakePlatform fresh;
    CHarrowlanderDlg loaded(fresh.ports);
    fresh.files.files[kPath] = file.bytes();
    ASSERT_TRUE(loaded.SerializeSettings(false));
    EXPECT_TRUE(fresh.window.messageBoxes.empty()) << "version " << version;

    for (std::size_t r = 0; r < kRows; ++r) {
      const RecordRow& row = kRecordRows[r];
      const bool present = row.firstVersion <= version;
      if (row.text != nullptr) {
        EXPECT_EQ(loaded.*row.text, present ? "row" + std::to_string(r + 1) : defaults.*row.text)
            << "version " << version << ", row " << r + 1;
        continue;
      }
      // A field with two slots holds the later one that this version has.
      std::int32_t expected = defaults.*row.number;
      bool lastSlot = true;
      for (std::size_t slot = 0; slot < kRows; ++slot) {
        if (kRecordRows[slot].number != row.number) {
          continue;
        }
        lastSlot = slot <= r;
        if (kRecordRows[slot].firstVersion <= version) {
          expected = static_cast<std::int32_t>(101 + slot);
        }
      }
      if (lastSlot) {
        EXPECT_EQ(loaded.*row.number, expected) << "version " << version << ", row " << r + 1;
      }
    }
  }
}

TEST_F(SettingsFileTest, UnknownVersionsLoadNothingAndSayNothing) {
  for (std::int32_t version : {0, 12, -1, INT_MAX, INT_MIN}) {
    CHarrowlanderDlg fresh(fake.ports);
    fake.files.files[kPath] = Version11(version).bytes();
    EXPECT_TRUE(fresh.SerializeSettings(false));
    EXPECT_EQ(fresh.m_strServer, "(local)") << version;
    EXPECT_EQ(fresh.m_strSqlUser, "sa") << version;
    EXPECT_EQ(fresh.m_nConnectTimeout, 15) << version;
  }
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

TEST_F(SettingsFileTest, SecondSameMachineSlotWins) {
  for (std::int32_t first : {0, 1}) {
    SettingsBytes b;
    b.Int(11).Str("").Str("").Str("").Str("").Str("");
    b.Int(0).Int(first).Int(0).Int(0).Int(0).Int(0).Int(0);
    b.Str("").Str("").Str("").Int(0).Int(1 - first).Int(0).Int(0).Int(10).Str("");
    b.Int(15).Int(60);
    Load(b.bytes());
    EXPECT_EQ(dlg.m_bSameMachine, 1 - first);
  }
}

struct CutCase {
  std::size_t length;
  int rowsRead;  // complete rows before the cut
};

TEST_F(SettingsFileTest, FileCutShortShowsOneMessageAndKeepsWhatWasRead) {
  // Offsets in Version11(): strings end at 24, rows 6-12 at 52, row 13 at 55,
  // row 17 at 69, row 18 at 73, row 21 at 84, row 22 at 88, row 23 at 92.
  const CutCase cases[] = {
      {0, 0}, {3, 0}, {4, 0}, {6, 0}, {8, 1}, {26, 5}, {53, 12}, {70, 17}, {86, 21}, {91, 22},
  };
  const std::string full = Version11().bytes();
  ASSERT_EQ(full.size(), 92u);
  for (const CutCase& c : cases) {
    testing::FakePlatform fresh;
    CHarrowlanderDlg loaded(fresh.ports);
    fresh.files.files[kPath] = full.substr(0, c.length);
    EXPECT_TRUE(loaded.SerializeSettings(false));
    ASSERT_EQ(fresh.window.messageBoxes.size(), 1u) << c.length;
    const auto& box = fresh.window.messageBoxes[0];
    EXPECT_EQ(box.text, "读取设置文件“" + kPath + "”时意外到达文件结尾。");
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_EQ(box.style, kExclamationOk);
    EXPECT_EQ(loaded.m_strServer, c.rowsRead >= 1 ? "srv" : "(local)") << c.length;
    EXPECT_EQ(loaded.m_strSqlUser, c.rowsRead >= 2 ? "usr" : "sa") << c.length;
    EXPECT_EQ(loaded.m_bSaveSqlPassword, c.rowsRead >= 6 ? 1 : 0) << c.length;
    EXPECT_EQ(loaded.m_strNetServer, c.rowsRead >= 13 ? "ns" : "") << c.length;
    EXPECT_EQ(loaded.m_nMode, c.rowsRead >= 18 ? 3 : 0) << c.length;
    EXPECT_EQ(loaded.m_nConnectTimeout, c.rowsRead >= 22 ? 30 : 15) << c.length;
    EXPECT_EQ(loaded.m_nCommandTimeout, 60) << c.length;
  }
}

TEST_F(SettingsFileTest, UnsatisfiableStringLengthIsReportedLikeAShortFile) {
  Load(SettingsBytes().Int(11).Raw("\xFF\xFF\xFF\x00\x00\x00\x10"s).Raw("srv").bytes());
  EXPECT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(dlg.m_strServer, "(local)");
}

TEST_F(SettingsFileTest, MissingFileLoadsNothingSilently) {
  EXPECT_TRUE(dlg.SerializeSettings(false));
  EXPECT_EQ(fake.files.reads, 1);
  EXPECT_EQ(dlg.m_strServer, "(local)");
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFileAndSaysWhy) {
  fake.files.files[kPath] = "old settings";
  fake.files.failWrites.insert(kPath);
  EXPECT_TRUE(dlg.SerializeSettings(true));
  EXPECT_EQ(fake.files.files[kPath], "old settings");
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  const auto& box = fake.window.messageBoxes[0];
  EXPECT_EQ(box.text, "写入设置文件“" + kPath + "”时出错：No space left on device。");
  EXPECT_EQ(box.caption, kCaption);
  EXPECT_EQ(box.style, kExclamationOk);
}

TEST_F(SettingsFileTest, NoDirectoryMeansNoFileAndFalse) {
  for (std::optional<std::string> directory : {std::optional<std::string>(), std::optional(""s)}) {
    fake.system.settingsDirectory = directory;
    EXPECT_FALSE(dlg.SerializeSettings(false));
    EXPECT_FALSE(dlg.SerializeSettings(true));
  }
  EXPECT_EQ(fake.files.reads, 0);
  EXPECT_EQ(fake.files.writes, 0);
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

TEST_F(SettingsFileTest, FileNameJoinsTheDirectoryWithOneSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"/home/user/.cache/", "/home/user/.cache/Harrowlander.dat"},
      {"/home/user/.cache", "/home/user/.cache/Harrowlander.dat"},
      {"C:\\TEMP\\", "C:\\TEMP\\Harrowlander.dat"},
  };
  for (const auto& [directory, path] : cases) {
    fake.system.settingsDirectory = directory;
    fake.files.files.clear();
    EXPECT_TRUE(dlg.SerializeSettings(true));
    EXPECT_TRUE(fake.files.files.contains(path)) << directory;
  }
}

}  // namespace
}  // namespace harrowlander
