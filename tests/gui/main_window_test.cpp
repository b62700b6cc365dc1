#include <gtest/gtest.h>
#include <wx/odcombo.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>

#include "gui/wx/about_box.h"
#include "main_window_fixture.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"
#include "ui/key_sequence.h"

namespace harrowlander::wx::testing {
namespace {

TEST_F(MainWindowTest, TheTemplateIsLaidOutInDialogUnitsOfTheSongFace) {
  EXPECT_EQ(window->GetTitle().utf8_string(), "Harrowlander1.43");
  EXPECT_EQ(window->GetFont().GetFaceName(), "AR PL UMing CN");
  // 401 x 231 dialog units at a base of 6 x 13 pixels.
  EXPECT_EQ(window->GetClientSize(), wxSize(602, 375));
  EXPECT_EQ(C(IDC_STATUS).GetRect(), wxRect(9, 306, 572, 59));
  EXPECT_EQ(C(IDC_TABLE_KEYWORD).GetPosition(), wxPoint(149, 276));

  auto& password = dynamic_cast<wxTextCtrl&>(C(IDC_SQL_PASSWORD));
  EXPECT_TRUE(password.HasFlag(wxTE_PASSWORD));
  EXPECT_FALSE(dynamic_cast<wxTextCtrl&>(C(IDC_SQL_USER)).IsEditable());
  EXPECT_TRUE(C(IDC_CONNECT_TIMEOUT).HasFlag(wxTE_RIGHT));
  EXPECT_NE(dynamic_cast<wxOwnerDrawnComboBox*>(&C(IDC_DATABASE)), nullptr);
}

TEST_F(MainWindowTest, FirstStartShowsTheDefaultsAndEnablesTheBackupControls) {
  EXPECT_TRUE(Checked(IDC_MODE_BACKUP));
  EXPECT_EQ(Text(IDOK), "备份");
  EXPECT_EQ(Text(IDC_SERVER), "(local)");
  EXPECT_EQ(Text(IDC_SQL_USER), "sa");
  EXPECT_EQ(Text(IDC_CONNECT_TIMEOUT), "15");
  EXPECT_EQ(Text(IDC_COMMAND_TIMEOUT), "60");
  EXPECT_EQ(Text(IDC_SHRINK_PERCENT), "10");
  EXPECT_TRUE(Checked(IDC_RESTORE_TO_DATA_DIR));
  EXPECT_TRUE(Checked(IDC_TRUNCATE_LOG_BEFORE_SHRINK));
  EXPECT_TRUE(Checked(IDC_INCREMENTAL));
  EXPECT_EQ(EnabledAmong(kModeControls),
            (std::set<int>{IDC_SAVE_SQL_PASSWORD, IDC_SAME_MACHINE, IDC_COMPRESS_RAR, IDC_NET_USER,
                           IDC_NET_PASSWORD, IDC_SAVE_NET_PASSWORD, IDC_NET_SERVER,
                           IDC_SHRINK_BEFORE_BACKUP, IDC_SHRINK_PERCENT, IDC_INCREMENTAL}));
}

TEST_F(MainWindowTest, TabVisitsTheTabStopsInTemplateOrderSkippingRadiosAndDisabledControls) {
  C(IDC_SAME_MACHINE).SetFocus();
  driver.Pump(100);
  std::vector<int> visited{FocusedId()};
  for (int i = 0; i < 21; ++i) {
    driver.Key(WXK_TAB);
    visited.push_back(FocusedId());
  }
  EXPECT_EQ(visited, (std::vector<int>{IDC_SAME_MACHINE,
                                       IDC_SERVER,
                                       IDC_CONFIGURE_CLIENT,
                                       IDC_SQL_USER,
                                       IDC_SQL_PASSWORD,
                                       IDC_SAVE_SQL_PASSWORD,
                                       IDC_CONNECT_TIMEOUT,
                                       IDC_COMMAND_TIMEOUT,
                                       IDC_DATABASE,
                                       IDC_NET_SERVER,
                                       IDC_NET_USER,
                                       IDC_NET_PASSWORD,
                                       IDC_SAVE_NET_PASSWORD,
                                       IDOK,
                                       IDCANCEL,
                                       IDC_ABOUT,
                                       IDC_SHRINK_BEFORE_BACKUP,
                                       IDC_INCREMENTAL,
                                       IDC_COMPRESS_RAR,
                                       IDC_SHRINK_PERCENT,
                                       IDC_SAME_MACHINE,
                                       IDC_SERVER}));
}

TEST_F(MainWindowTest, ModeClicksChangeEnabledStatesCaptionAndFocus) {
  driver.Click(C(IDC_COMPRESS_RAR));
  EXPECT_TRUE(Checked(IDC_COMPRESS_RAR));
  EXPECT_TRUE(C(IDC_RAR_PASSWORD).IsEnabled());
  EXPECT_EQ(FocusedId(), IDC_RAR_PASSWORD);

  driver.Click(C(IDC_MODE_RESTORE));
  EXPECT_EQ(Text(IDOK), "还原");
  EXPECT_EQ(EnabledAmong(kModeControls),
            (std::set<int>{IDC_SAVE_SQL_PASSWORD, IDC_SAME_MACHINE, IDC_DROP_BEFORE_RESTORE,
                           IDC_NET_USER, IDC_NET_PASSWORD, IDC_SAVE_NET_PASSWORD, IDC_NET_SERVER,
                           IDC_RESTORE_TO_DATA_DIR}));
  EXPECT_TRUE(Checked(IDC_COMPRESS_RAR));  // disabled, still checked

  driver.Click(C(IDC_SAME_MACHINE));
  EXPECT_EQ(EnabledAmong({IDC_NET_USER, IDC_NET_PASSWORD, IDC_SAVE_NET_PASSWORD, IDC_NET_SERVER}),
            std::set<int>{});

  driver.Click(C(IDC_MODE_SHRINK));
  EXPECT_EQ(Text(IDOK), "收缩");
  EXPECT_EQ(EnabledAmong(kModeControls),
            (std::set<int>{IDC_TRUNCATE_LOG_BEFORE_SHRINK, IDC_SHRINK_PERCENT}));
  EXPECT_EQ(FocusedId(), IDC_SHRINK_PERCENT);
  EXPECT_EQ(SelectedText(IDC_SHRINK_PERCENT), "10");

  C(IDC_SQL_PASSWORD).SetFocus();
  driver.Click(C(IDC_MODE_SHRINK));  // already checked: reported all the same
  EXPECT_EQ(FocusedId(), IDC_SHRINK_PERCENT);

  driver.Click(C(IDC_MODE_DROP_TABLES));
  EXPECT_EQ(Text(IDOK), "删表");
  EXPECT_EQ(EnabledAmong(kModeControls), std::set<int>{IDC_TABLE_KEYWORD});
  EXPECT_EQ(FocusedId(), IDC_TABLE_KEYWORD);

  driver.Click(C(IDC_MODE_DELETE));
  EXPECT_EQ(Text(IDOK), "删除");
  EXPECT_EQ(EnabledAmong(kModeControls), std::set<int>{});
}

TEST_F(MainWindowTest, AnOutOfRangePercentageShowsTheBoxAndKeepsThePreviousModesStates) {
  C(IDC_SHRINK_PERCENT).SetFocus();
  dynamic_cast<wxTextCtrl&>(C(IDC_SHRINK_PERCENT)).SelectAll();
  driver.Type("0");
  ASSERT_EQ(Text(IDC_SHRINK_PERCENT), "0");

  WindowDriver::BoxAnswer answer(driver, WXK_RETURN);
  driver.Click(C(IDC_MODE_RESTORE));
  ASSERT_TRUE(driver.WaitFor([&] { return answer.answered(); }));
  driver.Pump(300);

  EXPECT_EQ(answer.message().utf8_string(), "请输入一个介于 1 和 100 之间的整数。");
  EXPECT_TRUE(Checked(IDC_MODE_RESTORE));
  EXPECT_EQ(Text(IDOK), "备份");
  EXPECT_TRUE(C(IDC_COMPRESS_RAR).IsEnabled());
  EXPECT_FALSE(C(IDC_DROP_BEFORE_RESTORE).IsEnabled());
  EXPECT_EQ(FocusedId(), IDC_SHRINK_PERCENT);
}

TEST_F(MainWindowTest, TheStatusLineIsBorderedAndWrapsLongText) {
  const std::string line =
      "完成查找. 这是一条很长的状态信息，用来检查状态栏会不会在它的区域之内自动换行。";
  adapters->window.SetControlText(IDC_STATUS, line + " " + line);
  driver.Pump(50);
  EXPECT_EQ(Text(IDC_STATUS), line + " " + line);
  EXPECT_TRUE(C(IDC_STATUS).HasFlag(wxBORDER_SUNKEN));
  const auto* label = dynamic_cast<wxStaticText*>(C(IDC_STATUS).GetChildren().front());
  ASSERT_NE(label, nullptr);
  EXPECT_NE(label->GetLabel().Find('\n'), wxNOT_FOUND);
}

TEST_F(MainWindowTest, TheHiddenSequenceOnAltHLRAsksAndOtherAltKeysStillWork) {
  C(IDC_NET_USER).SetFocus();
  // Alt stays held from the first letter to the last, as a person would hold it.
  driver.KeyDown(WXK_ALT);
  driver.Key('h');
  driver.Key('x');  // restarts the sequence
  EXPECT_EQ(KeySequenceState(), 0);
  driver.Key('h');
  driver.Key('l');
  EXPECT_EQ(KeySequenceState(), 2);
  {
    WindowDriver::BoxAnswer answer(driver, WXK_RETURN);  // No is the default
    driver.Key('r');
    ASSERT_TRUE(driver.WaitFor([&] { return answer.answered(); }));
    driver.Pump(200);
    EXPECT_EQ(answer.caption().utf8_string(), "初始化密码");
    EXPECT_EQ(answer.message().utf8_string(), "是否进行特定表的密码初始化工作?");
  }
  EXPECT_EQ(KeySequenceState(), 0);

  C(IDC_DATABASE).SetFocus();
  driver.Pump(100);
  driver.KeyDown(WXK_ALT);
  driver.Key(WXK_DOWN);  // Alt+Down opens the list: Alt combinations are not swallowed
  EXPECT_TRUE(dynamic_cast<wxComboCtrl&>(C(IDC_DATABASE)).IsPopupShown());
  driver.KeyUp(WXK_ALT);
  driver.Key(WXK_ESCAPE);
}

TEST_F(MainWindowTest, TheAboutButtonShowsTemplate100WithTheIcon) {
  std::string caption;
  wxSize client;
  wxTimer closer;
  closer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    for (wxWindow* top : wxTopLevelWindows) {
      if (auto* about = dynamic_cast<AboutBox*>(top)) {
        caption = about->GetTitle().utf8_string();
        client = about->GetClientSize();
        about->EndModal(IDOK);
      }
    }
  });
  closer.StartOnce(500);
  driver.Click(C(IDC_ABOUT));
  ASSERT_TRUE(driver.WaitFor([&] { return !caption.empty(); }));
  EXPECT_EQ(caption, "关于 Harrowlander");
  EXPECT_EQ(client, wxSize(353, 89));  // 235 x 55 dialog units
}

}  // namespace
}  // namespace harrowlander::wx::testing
