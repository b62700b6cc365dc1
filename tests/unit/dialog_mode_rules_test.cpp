#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/dialog_fixture.h"

namespace harrowlander {
namespace {

using testing::DialogTest;
using namespace res;

const std::set<int> kModeControls = {IDC_SAVE_SQL_PASSWORD,
                                     IDC_SAME_MACHINE,
                                     IDC_COMPRESS_RAR,
                                     IDC_DROP_BEFORE_RESTORE,
                                     IDC_SAVE_NET_PASSWORD,
                                     IDC_SHRINK_BEFORE_BACKUP,
                                     IDC_RESTORE_TO_DATA_DIR,
                                     IDC_TRUNCATE_LOG_BEFORE_SHRINK,
                                     IDC_INCREMENTAL,
                                     IDC_RAR_PASSWORD,
                                     IDC_NET_USER,
                                     IDC_NET_PASSWORD,
                                     IDC_NET_SERVER,
                                     IDC_RAR_PASSWORD2,
                                     IDC_SHRINK_PERCENT,
                                     IDC_TABLE_KEYWORD};

// The mode table, one column per mode (Backup, Restore, Delete, Shrink, Drop tables):
// 'y' enabled, '-' disabled, 'n' enabled unless same machine, 'c' enabled if compress.
const std::map<int, std::string> kModeTable = {
    {IDC_SAVE_SQL_PASSWORD, "yy---"},
    {IDC_SAME_MACHINE, "yy---"},
    {IDC_COMPRESS_RAR, "y----"},
    {IDC_DROP_BEFORE_RESTORE, "-y---"},
    {IDC_SAVE_NET_PASSWORD, "nn---"},
    {IDC_SHRINK_BEFORE_BACKUP, "y----"},
    {IDC_RESTORE_TO_DATA_DIR, "-y---"},
    {IDC_TRUNCATE_LOG_BEFORE_SHRINK, "---y-"},
    {IDC_INCREMENTAL, "y----"},
    {IDC_RAR_PASSWORD, "c----"},
    {IDC_NET_USER, "nn---"},
    {IDC_NET_PASSWORD, "nn---"},
    {IDC_NET_SERVER, "nn---"},
    {IDC_RAR_PASSWORD2, "c----"},
    {IDC_SHRINK_PERCENT, "y--y-"},
    {IDC_TABLE_KEYWORD, "----y"},
};

TEST_F(DialogTest, FirstStartShowsTheDefaults) {
  Open();
  auto& w = fake.window;
  EXPECT_TRUE(w.checks[IDC_MODE_BACKUP]);
  EXPECT_EQ(w.texts[IDOK], "备份");
  EXPECT_EQ(w.texts[IDC_SERVER], "(local)");
  EXPECT_EQ(w.texts[IDC_SQL_USER], "sa");
  EXPECT_EQ(w.texts[IDC_CONNECT_TIMEOUT], "15");
  EXPECT_EQ(w.texts[IDC_COMMAND_TIMEOUT], "60");
  EXPECT_EQ(w.texts[IDC_SHRINK_PERCENT], "10");
  EXPECT_TRUE(w.checks[IDC_RESTORE_TO_DATA_DIR]);
  EXPECT_TRUE(w.checks[IDC_TRUNCATE_LOG_BEFORE_SHRINK]);
  EXPECT_TRUE(w.checks[IDC_INCREMENTAL]);
  EXPECT_FALSE(w.checks[IDC_SAME_MACHINE]);
  EXPECT_EQ(EnabledAmong(kModeControls),
            (std::set<int>{IDC_SAVE_SQL_PASSWORD, IDC_SAME_MACHINE, IDC_COMPRESS_RAR, IDC_NET_USER,
                           IDC_NET_PASSWORD, IDC_SAVE_NET_PASSWORD, IDC_NET_SERVER,
                           IDC_SHRINK_BEFORE_BACKUP, IDC_SHRINK_PERCENT, IDC_INCREMENTAL}));
  EXPECT_TRUE(w.messageBoxes.empty());
  EXPECT_TRUE(w.IsEnabled(IDC_SERVER));
  EXPECT_TRUE(w.IsEnabled(IDC_DATABASE));
}

TEST_F(DialogTest, EveryModeEnablesExactlyItsControls) {
  for (int mode = -1; mode <= 5; ++mode) {
    for (int sameMachine : {0, 1}) {
      for (int compress : {0, 1}) {
        SCOPED_TRACE("mode " + std::to_string(mode) + " same machine " +
                     std::to_string(sameMachine) + " compress " + std::to_string(compress));
        dlg.m_nMode = mode;
        dlg.m_bSameMachine = sameMachine;
        dlg.m_bCompressRar = compress;
        fake.window.events.clear();
        dlg.ApplyMode();

        std::vector<std::string> expected;
        for (const auto& [id, columns] : kModeTable) {
          char rule = mode >= 0 && mode < 5 ? columns[static_cast<size_t>(mode)] : '-';
          bool enabled = rule == 'y' || (rule == 'n' && !sameMachine) || (rule == 'c' && compress);
          EXPECT_EQ(fake.window.IsEnabled(id), enabled) << "control " << id;
        }
        const char* names[] = {"备份", "还原", "删除", "收缩", "删表"};
        EXPECT_EQ(fake.window.texts[IDOK], mode >= 0 && mode < 5 ? names[mode] : "");
      }
    }
  }
}

TEST_F(DialogTest, ControlsAreSetInTableOrderThenTheCaption) {
  dlg.ApplyMode();
  std::vector<std::string> ids;
  for (const auto& event : fake.window.events) {
    ids.push_back(event.substr(0, event.rfind(' ')));
  }
  EXPECT_EQ(ids, (std::vector<std::string>{
                     "enable 1004", "enable 1006", "enable 1007", "enable 1009", "enable 1014",
                     "enable 1016", "enable 1019", "enable 1023", "enable 1028", "enable 1000",
                     "enable 1012", "enable 1013", "enable 1015", "enable 1020", "enable 1022",
                     "enable 1025", "text 1 ="}));
}

TEST_F(DialogTest, SameMachineDisablesTheWindowsAccountAndBackAgain) {
  Open();
  fake.window.checks[IDC_SAME_MACHINE] = true;
  dlg.OnModeChanged();
  EXPECT_TRUE(EnabledAmong({IDC_NET_USER, IDC_NET_PASSWORD, IDC_SAVE_NET_PASSWORD, IDC_NET_SERVER})
                  .empty());
  fake.window.checks[IDC_SAME_MACHINE] = false;
  dlg.OnModeChanged();
  EXPECT_EQ(
      EnabledAmong({IDC_NET_USER, IDC_NET_PASSWORD, IDC_SAVE_NET_PASSWORD, IDC_NET_SERVER}).size(),
      4u);
}

TEST_F(DialogTest, RestoreKeepsTheCompressCheckMarkButDisablesIt) {
  Open();
  fake.window.checks[IDC_COMPRESS_RAR] = true;
  dlg.OnCompressRarClicked();
  EXPECT_TRUE(fake.window.IsEnabled(IDC_RAR_PASSWORD));
  CheckModeRadio(IDC_MODE_RESTORE);
  dlg.OnModeChanged();
  EXPECT_TRUE(EnabledAmong({IDC_COMPRESS_RAR, IDC_RAR_PASSWORD, IDC_RAR_PASSWORD2}).empty());
  EXPECT_TRUE(fake.window.checks[IDC_COMPRESS_RAR]);
  EXPECT_EQ(dlg.m_bCompressRar, 1);
  EXPECT_EQ(fake.window.texts[IDOK], "还原");
}

TEST_F(DialogTest, ABadShrinkPercentageKeepsThePreviousModesStates) {
  for (const char* bad : {"0", "101"}) {
    SCOPED_TRACE(bad);
    dlg.m_nMode = 0;
    Open();
    fake.window.texts[IDC_SHRINK_PERCENT] = bad;
    fake.window.messageBoxes.clear();
    CheckModeRadio(IDC_MODE_RESTORE);
    dlg.OnModeChanged();
    ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.window.messageBoxes[0].text, "请输入一个介于 1 和 100 之间的整数。");
    EXPECT_EQ(fake.window.focused.back(), IDC_SHRINK_PERCENT);
    EXPECT_TRUE(fake.window.checks[IDC_MODE_RESTORE]);
    EXPECT_EQ(dlg.m_nMode, 1);  // read before the failing field
    EXPECT_EQ(fake.window.texts[IDOK], "备份");
    EXPECT_TRUE(fake.window.IsEnabled(IDC_COMPRESS_RAR));
    EXPECT_FALSE(fake.window.IsEnabled(IDC_DROP_BEFORE_RESTORE));
  }
}

TEST_F(DialogTest, ModeClicksMoveTheFocusWhereTheUserTypesNext) {
  Open();
  fake.window.focused.clear();
  CheckModeRadio(IDC_MODE_SHRINK);
  dlg.OnShrinkModeClicked();
  CheckModeRadio(IDC_MODE_DROP_TABLES);
  dlg.OnDropTablesModeClicked();
  CheckModeRadio(IDC_MODE_BACKUP);
  dlg.OnModeChanged();
  fake.window.checks[IDC_COMPRESS_RAR] = true;
  dlg.OnCompressRarClicked();
  fake.window.checks[IDC_COMPRESS_RAR] = false;
  dlg.OnCompressRarClicked();
  EXPECT_EQ(fake.window.focused,
            (std::vector<int>{IDC_SHRINK_PERCENT, IDC_TABLE_KEYWORD, IDC_RAR_PASSWORD}));
}

TEST_F(DialogTest, AModeFromNowhereChecksNoRadioAndDisablesTheModeControls) {
  dlg.m_nMode = 7;  // only a settings file can bring this
  dlg.UpdateData(false);
  dlg.ApplyMode();
  for (int radio : {IDC_MODE_BACKUP, IDC_MODE_RESTORE, IDC_MODE_DELETE, IDC_MODE_SHRINK,
                    IDC_MODE_DROP_TABLES}) {
    EXPECT_FALSE(fake.window.checks[radio]);
  }
  EXPECT_TRUE(EnabledAmong(kModeControls).empty());
  EXPECT_EQ(fake.window.texts[IDOK], "");
  dlg.UpdateData(true);
  EXPECT_EQ(dlg.m_nMode, -1);
}

}  // namespace
}  // namespace harrowlander
