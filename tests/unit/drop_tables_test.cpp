#include <gtest/gtest.h>

#include "fakes/native_text_codec.h"
#include "fakes/sql_dialog_fixture.h"
#include "ops/drop_lock.h"
#include "ops/table_keywords.h"

namespace harrowlander {
namespace {

using namespace res;
using testing::FakeRows;

constexpr const char* kQuery =
    "select name from sysobjects where (name like 'SYS_%') and xtype='U' order by name";

class DropTablesTest : public testing::SqlDialogTest {
 protected:
  void SetUp() override {
    SqlDialogTest::SetUp();
    dlg.m_strDatabase = "Sales";
    dlg.m_strTableKeyword = "SYS_%";
    fake.server.answers[kQuery] = {{"name"}, {{"SYS_A"}, {"SYS_B"}}};
  }
  void HoldDropLock() {
    fake.window.PressKey(vk::kControl);
    for (int key : kDropLockDigitKeys) {
      fake.window.PressKey(key);
    }
  }
  std::vector<std::string> Sent() {
    std::vector<std::string> sent;
    for (const std::string& line : Timeline()) {
      if (line.starts_with("execute ") || line.starts_with("recordset open ")) {
        sent.push_back(line);
      }
    }
    return sent;
  }

  const std::vector<std::string> kNormalRun = {
      "create connection",
      "create recordset",
      "connection timeout 15",
      "command timeout 60",
      "connection open Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=sa;"
      "Initial Catalog=Sales;Data Source=(local)",
      std::string("recordset open ") + kQuery,
      "recordset eof",
      "recordset collect Name",
      "recordset move next",
      "recordset eof",
      "recordset collect Name",
      "recordset move next",
      "recordset eof",
      "recordset close",
      "message box 确认删除: 服务器[(local)]上的数据库[Sales]:\n是否删除以下数据表？\nSYS_A\tSYS_B",
      "text 1008 = 删除数据表[SYS_A]...",
      "execute Drop Table [SYS_A]",
      "release result",
      "text 1008 = 删除数据表[SYS_B]...",
      "execute Drop Table [SYS_B]",
      "release result",
      "connection close",
      "release recordset",
      "release connection",
      "text 1008 = 已删除指定的数据表",
  };
};

TEST_F(DropTablesTest, LockHeldAndYesDropsEachTableInOrderAndSavesTheSettings) {
  HoldDropLock();
  fake.window.messageBoxAnswers = {kIdYes};
  EXPECT_EQ(dlg.DropTables(), 1);
  EXPECT_EQ(Timeline(), kNormalRun);
  EXPECT_EQ(fake.window.messageBoxes[0].style, 0x124u);
  EXPECT_EQ(fake.files.writes, 1);
  // The status texts went to the control only.
  EXPECT_EQ(dlg.m_strStatus, "");
}

TEST_F(DropTablesTest, WithoutTheWholeChordNothingIsAskedOrDropped) {
  const std::vector<int> chord = {vk::kControl, kDropLockDigitKeys[0], kDropLockDigitKeys[1],
                                  kDropLockDigitKeys[2]};
  for (unsigned held = 0; held < 15; ++held) {  // every subset but all four
    fake.window.keysDown.clear();
    fake.window.events.clear();
    fake.window.messageBoxes.clear();
    for (size_t k = 0; k < chord.size(); ++k) {
      if ((held & (1u << k)) != 0) {
        fake.window.PressKey(chord[k]);
      }
    }
    EXPECT_EQ(dlg.DropTables(), 0) << held;
    EXPECT_TRUE(fake.window.messageBoxes.empty()) << held;
    EXPECT_EQ(Sent(), std::vector<std::string>{std::string("recordset open ") + kQuery}) << held;
    const auto timeline = Timeline();
    EXPECT_EQ(
        std::vector<std::string>(timeline.end() - 3, timeline.end()),
        (std::vector<std::string>{"connection close", "release recordset", "release connection"}));
  }
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(DropTablesTest, AnythingButAnExplicitYesDropsNothing) {
  HoldDropLock();
  // No, and what a window might report for a box closed without an answer.
  for (int answer : {kIdNo, kIdCancel, kIdOk, 0}) {
    fake.window.events.clear();
    fake.window.messageBoxAnswers = {answer};
    EXPECT_EQ(dlg.DropTables(), 0) << answer;
    EXPECT_EQ(Sent().size(), 1u) << answer;
  }
}

TEST_F(DropTablesTest, NoMatchingTableSaysSoWhateverTheKeys) {
  fake.server.answers.clear();
  HoldDropLock();
  EXPECT_EQ(dlg.DropTables(), 0);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "根据表名关键字,找不到对应的表");
  EXPECT_EQ(fake.window.messageBoxes[0].caption, "无效关键字");
  EXPECT_EQ(fake.window.messageBoxes[0].style, 0x30u);
  const auto timeline = Timeline();
  EXPECT_EQ(timeline.back(), "message box 无效关键字: 根据表名关键字,找不到对应的表");
}

TEST_F(DropTablesTest, OnlySeparatorsAskForAKeywordWithoutConnecting) {
  dlg.m_strTableKeyword = " ;,, ;";
  EXPECT_EQ(dlg.DropTables(), 0);
  EXPECT_EQ(Timeline(), std::vector<std::string>{"message box 无效关键字: 请输入表名关键字"});
  EXPECT_EQ(fake.window.messageBoxes[0].style, 0x30u);
}

// The connection would name no catalog, and the login's default database would lose
// its tables: nothing is asked or sent, whatever the keys and the answer.
TEST_F(DropTablesTest, AnEmptyDatabaseIsRefusedBeforeAnyConnection) {
  HoldDropLock();
  fake.window.messageBoxAnswers = {kIdYes};
  dlg.m_strDatabase.clear();
  EXPECT_EQ(dlg.DropTables(), -1);
  EXPECT_EQ(Timeline(), std::vector<std::string>{});
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(DropTablesTest, QueryGoldenTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {"a;b, c",
       "select name from sysobjects where (name like 'a' or name like 'b'  or name like 'c' ) "
       "and xtype='U' order by name"},
      {"SYS_%",
       "select name from sysobjects where (name like 'SYS_%') and xtype='U' order by name"},
      {"it's;[a-c]%",
       "select name from sysobjects where (name like 'it''s' or name like '[a-c]%' ) and "
       "xtype='U' order by name"},
  };
  for (const auto& [keywords, query] : cases) {
    fake.window.events.clear();
    dlg.m_strTableKeyword = keywords;
    dlg.DropTables();
    EXPECT_EQ(Sent(), std::vector<std::string>{std::string("recordset open ") + query}) << keywords;
  }
}

TEST_F(DropTablesTest, ATableNameWithABracketIsDroppedByItsOwnName) {
  fake.server.answers[kQuery] = {{"name"}, {{"SYS_x]; drop table [y"}}};
  HoldDropLock();
  fake.window.messageBoxAnswers = {kIdYes};
  EXPECT_EQ(dlg.DropTables(), 1);
  EXPECT_EQ(Sent().back(), "execute Drop Table [SYS_x]]; drop table [y]");
}

TEST_F(DropTablesTest, ARefusedDropReportsPausesAndStops) {
  HoldDropLock();
  fake.window.messageBoxAnswers = {kIdYes};
  fake.server.failures["execute Drop Table [SYS_A]"] =
      "Could not drop object 'SYS_A' because it is referenced by a FOREIGN KEY constraint.";
  EXPECT_EQ(dlg.DropTables(), 0);
  const auto timeline = Timeline();
  EXPECT_EQ(std::vector<std::string>(timeline.end() - 5, timeline.end()),
            (std::vector<std::string>{
                "execute Drop Table [SYS_A]",
                "text 1008 = Could not drop object 'SYS_A' because it is referenced by a "
                "FOREIGN KEY constraint.",
                "sleep 500", "release recordset", "release connection"}));
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(DropTablesTest, EveryFailureStopsTheRunAfterAPause) {
  ExpectEveryCallCanFail(
      kNormalRun,
      [this] {
        HoldDropLock();
        fake.window.messageBoxAnswers = {kIdYes};
      },
      [this] { return dlg.DropTables(); }, {"sleep 500"});
}

TEST(SplitTableKeywords, SeparatorsLimitAndTabs) {
  testing::NativeTextCodec codec;
  std::string longText;
  for (int i = 0; i < 127; ++i) {
    longText += "中";  // two GBK bytes each: 254 bytes
  }
  const std::string cutText = longText + "文x";
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {" ;, ,;", {}},
      {"a;b, c", {"a", "b", "c"}},
      {";;a;;", {"a"}},
      {"a\tb c", {"a\tb", "c"}},
      {"表_%,SYS_%", {"表_%", "SYS_%"}},
      {std::string(254, 'a') + ";b", {std::string(254, 'a')}},
      {std::string(250, ' ') + "abcdefgh", {"abcde"}},
      // A character cut by the limit stays cut.
      {cutText, {longText + "\xEF\xBF\xBD"}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(SplitTableKeywords(codec, text), expected) << text.substr(0, 20);
  }
}

}  // namespace
}  // namespace harrowlander
