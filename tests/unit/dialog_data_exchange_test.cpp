#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "fakes/dialog_fixture.h"
#include "ui/integer_text.h"

namespace harrowlander {
namespace {

using testing::DialogTest;
using namespace res;

TEST(ParseDialogInteger, ReadsNumbersAsTheDialogFrameworkDoes) {
  const struct {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"10", 10},
      {"  42\t", 42},
      {"+7", 7},
      {"-3", -3},
      {"0", 0},
      {"000", 0},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"abc", std::nullopt},
      {"12a", std::nullopt},
      {"1 2", std::nullopt},
      {"-0", std::nullopt},
      {"+0", std::nullopt},
      {"0x10", std::nullopt},
      {"1.5", std::nullopt},
      {"99999999999", 2147483647},
      {"-99999999999", -2147483647 - 1},
      {"１０", std::nullopt},  // full-width digits are not digits
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseDialogInteger(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST_F(DialogTest, NumericFieldsAreValidatedInDeclarationOrder) {
  Open();
  auto& w = fake.window;
  w.texts[IDC_SHRINK_PERCENT] = "abc";
  w.texts[IDC_CONNECT_TIMEOUT] = "12001";
  w.texts[IDC_COMMAND_TIMEOUT] = "-1";

  const struct {
    int fixId;
    const char* fixText;
    const char* message;
    int focus;
  } steps[] = {
      {0, nullptr, "请输入一个整数。", IDC_SHRINK_PERCENT},
      {IDC_SHRINK_PERCENT, "100", "请输入一个介于 0 和 12000 之间的整数。", IDC_CONNECT_TIMEOUT},
      {IDC_CONNECT_TIMEOUT, "0", "请输入一个介于 0 和 12000 之间的整数。", IDC_COMMAND_TIMEOUT},
  };
  for (const auto& step : steps) {
    if (step.fixText != nullptr) {
      w.texts[step.fixId] = step.fixText;
    }
    w.messageBoxes.clear();
    w.events.clear();
    EXPECT_FALSE(dlg.UpdateData(true));
    ASSERT_EQ(w.messageBoxes.size(), 1u);
    EXPECT_EQ(w.messageBoxes[0].text, step.message);
    EXPECT_EQ(w.messageBoxes[0].caption, "Harrowlander");
    EXPECT_EQ(w.messageBoxes[0].style, 0x30u);
    // The message first, then the focus on the offending edit.
    EXPECT_EQ(w.events.back(), "focus " + std::to_string(step.focus));
  }
  w.texts[IDC_COMMAND_TIMEOUT] = "12000";
  EXPECT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(dlg.m_nShrinkPercent, 100);
  EXPECT_EQ(dlg.m_nConnectTimeout, 0);
  EXPECT_EQ(dlg.m_nCommandTimeout, 12000);
}

TEST_F(DialogTest, DisabledEditsAreValidatedToo) {
  Open();
  CheckModeRadio(IDC_MODE_DELETE);
  dlg.OnModeChanged();
  ASSERT_FALSE(fake.window.IsEnabled(IDC_SHRINK_PERCENT));
  fake.window.texts[IDC_SHRINK_PERCENT] = "";
  EXPECT_FALSE(dlg.UpdateData(true));
  EXPECT_EQ(fake.window.messageBoxes.size(), 1u);
}

TEST_F(DialogTest, SavingReadsEveryControlIntoItsField) {
  Open();
  auto& w = fake.window;
  w.texts[IDC_DATABASE] = "pubs";
  w.texts[IDC_SQL_PASSWORD] = "密码 1";
  w.texts[IDC_STATUS] = "shown";
  w.texts[IDC_NET_USER] = "admin";
  w.texts[IDC_NET_SERVER] = "HOST";
  w.texts[IDC_SERVER] = "HOST\\INST";
  w.texts[IDC_TABLE_KEYWORD] = "SYS_%";
  w.checks[IDC_SAVE_SQL_PASSWORD] = true;
  w.checks[IDC_INCREMENTAL] = false;
  CheckModeRadio(IDC_MODE_DROP_TABLES);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(dlg.m_strDatabase, "pubs");
  EXPECT_EQ(dlg.m_strSqlPassword, "密码 1");
  EXPECT_EQ(dlg.m_strStatus, "shown");
  EXPECT_EQ(dlg.m_strNetUser, "admin");
  EXPECT_EQ(dlg.m_strNetServer, "HOST");
  EXPECT_EQ(dlg.m_strServer, "HOST\\INST");
  EXPECT_EQ(dlg.m_strTableKeyword, "SYS_%");
  EXPECT_EQ(dlg.m_bSaveSqlPassword, 1);
  EXPECT_EQ(dlg.m_bIncremental, 0);
  EXPECT_EQ(dlg.m_nMode, 4);
}

TEST_F(DialogTest, ShowingAComboSelectsTheFirstItemThatStartsWithItsText) {
  auto& w = fake.window;
  w.combos[IDC_DATABASE].items = {"master", "Northwind", "northwind_copy"};
  dlg.m_strDatabase = "NORTH";
  dlg.UpdateData(false);
  EXPECT_EQ(w.combos[IDC_DATABASE].selection, 1);
  EXPECT_EQ(w.texts[IDC_DATABASE], "Northwind");

  dlg.m_strDatabase = "pubs";  // no item begins with it: the text is set as it is
  dlg.UpdateData(false);
  EXPECT_EQ(w.combos[IDC_DATABASE].selection, -1);
  EXPECT_EQ(w.texts[IDC_DATABASE], "pubs");

  // An empty text begins every item, but selects none and stays empty, in both boxes.
  for (int id : {IDC_DATABASE, IDC_SERVER}) {
    w.combos[id].items = {"Inventory", "Sales"};
    w.combos[id].selection = 1;
  }
  dlg.m_strDatabase.clear();
  dlg.m_strServer.clear();
  dlg.UpdateData(false);
  for (int id : {IDC_DATABASE, IDC_SERVER}) {
    EXPECT_EQ(w.combos[id].selection, -1) << id;
    EXPECT_EQ(w.texts[id], "") << id;
  }
}

TEST_F(DialogTest, StatusLineRewritesTheControlsFromTheFields) {
  Open();
  fake.window.texts[IDC_SQL_PASSWORD] = "typed but not exchanged";
  dlg.SetStatus("完成查找.");
  EXPECT_EQ(fake.window.texts[IDC_STATUS], "完成查找.");
  EXPECT_EQ(fake.window.texts[IDC_SQL_PASSWORD], "");

  dlg.SetStatusControlText("12%");
  EXPECT_EQ(fake.window.texts[IDC_STATUS], "12%");
  EXPECT_EQ(dlg.m_strStatus, "完成查找.");
}

TEST_F(DialogTest, OpeningRunsTheSequenceOnce) {
  fake.files.files["/home/user/.cache/Harrowlander.dat"] = std::string("\x0c\0\0\0", 4);
  Open();
  const auto& e = fake.window.events;
  auto at = [&](const std::string& line) {
    return std::find(e.begin(), e.end(), line) - e.begin();
  };
  EXPECT_LT(at("system menu 16 关于 Harrowlander(&A)..."), at("icon 128 big"));
  EXPECT_LT(at("icon 128 big"), at("icon 128 small"));
  EXPECT_LT(at("icon 128 small"), at("enable 1004 1"));
  EXPECT_EQ(e.back(), "text 1 = 备份");
  EXPECT_EQ(fake.files.reads, 1);
}

TEST_F(DialogTest, SystemMenuAboutEntryIgnoresTheLowFourBits) {
  EXPECT_TRUE(dlg.OnSysCommand(0x10));
  EXPECT_TRUE(dlg.OnSysCommand(0x1F));
  EXPECT_FALSE(dlg.OnSysCommand(0x20));
  EXPECT_FALSE(dlg.OnSysCommand(0xF060));  // close
  dlg.OnAbout();
  EXPECT_EQ(fake.window.aboutBoxes, 3);
}

}  // namespace
}  // namespace harrowlander
