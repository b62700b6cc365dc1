#include <gtest/gtest.h>

#include <vector>

#include "fakes/dialog_fixture.h"
#include "ui/key_sequence.h"
#include "ui/result_signal.h"

namespace harrowlander {
namespace {

using testing::DialogTest;
using namespace res;

TEST(SignalOperationResult, QuestionForDoneBeepForFailedNothingOtherwise) {
  testing::FakeDialogWindow window;
  for (int result : {1, 0, -1, 2}) {
    SignalOperationResult(window, result);
  }
  EXPECT_EQ(window.beeps, (std::vector<unsigned>{0x20, 0xFFFFFFFF}));
}

TEST_F(DialogTest, StartWithAFailedValidationRunsNothingAndIsSilent) {
  Open();
  fake.window.texts[IDC_COMMAND_TIMEOUT] = "sixty";
  dlg.OnStart();
  EXPECT_TRUE(fake.window.beeps.empty());
  EXPECT_EQ(fake.window.texts[IDC_STATUS], "");
}

TEST_F(DialogTest, StartWithoutAModeOnlyPlaysTheQuestionSound) {
  Open();
  CheckModeRadio(0);
  fake.window.events.clear();
  dlg.OnStart();
  EXPECT_EQ(fake.window.beeps, (std::vector<unsigned>{0x20}));
  EXPECT_EQ(fake.window.events, (std::vector<std::string>{"beep 32"}));
}

TEST_F(DialogTest, StartInBackupOrRestoreWithoutADatabaseShowsNothingAndSignalsNothing) {
  Open();
  for (int radio : {IDC_MODE_BACKUP, IDC_MODE_RESTORE}) {
    CheckModeRadio(radio);
    fake.window.texts[IDC_DATABASE].clear();
    dlg.OnStart();
    EXPECT_TRUE(fake.window.fileDialogs.empty()) << radio;
  }
  EXPECT_TRUE(fake.window.beeps.empty());
}

class KeySequenceTest : public DialogTest {
 protected:
  void SetUp() override { KeySequenceState() = 0; }
  void TearDown() override { KeySequenceState() = 0; }

  void AltKey(int key) {
    fake.window.PressKey(vk::kMenu);
    dlg.PreTranslateSysKeyDown(key);
  }
  void PlainKey(int key) {
    fake.window.ReleaseKey(vk::kMenu);
    dlg.PreTranslateSysKeyDown(key);
  }
};

TEST_F(KeySequenceTest, TheThreeKeysWithAltAskTheQuestion) {
  AltKey('H');
  AltKey('L');
  EXPECT_TRUE(fake.window.messageBoxes.empty());
  AltKey('R');
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "是否进行特定表的密码初始化工作?");
  EXPECT_EQ(fake.window.messageBoxes[0].caption, "初始化密码");
  EXPECT_EQ(fake.window.messageBoxes[0].style, 0x124u);
  EXPECT_EQ(KeySequenceState(), 0);  // answered No (the default)
}

TEST_F(KeySequenceTest, YesKeepsTheSequenceArmedSoTheLastKeyAsksAgain) {
  fake.window.messageBoxAnswers = {kIdYes, kIdYes, kIdNo};
  for (int key : {'H', 'L', 'R', 'R', 'R', 'R'}) {
    AltKey(key);
  }
  EXPECT_EQ(fake.window.messageBoxes.size(), 3u);  // the fourth R starts over after No
  EXPECT_EQ(KeySequenceState(), 0);
}

TEST_F(KeySequenceTest, AnotherKeyWithAltRestartsButKeysWithoutAltAreIgnored) {
  AltKey('H');
  PlainKey('X');  // not a system key press: the sequence does not see it
  AltKey('L');
  EXPECT_EQ(KeySequenceState(), 2);
  AltKey('X');
  EXPECT_EQ(KeySequenceState(), 0);
  AltKey('L');
  AltKey('R');
  EXPECT_TRUE(fake.window.messageBoxes.empty());
  fake.window.messageBoxAnswers = {kIdYes};
  for (int key : {'H', 'L', 'R', 'Q'}) {
    AltKey(key);
  }
  EXPECT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(KeySequenceState(), 0);
}

TEST_F(KeySequenceTest, TheStateOutlivesTheDialog) {
  AltKey('H');
  AltKey('L');
  testing::FakePlatform other;
  CHarrowlanderDlg second(other.ports);
  other.window.PressKey(vk::kMenu);
  second.PreTranslateSysKeyDown('R');
  EXPECT_EQ(other.window.messageBoxes.size(), 1u);
}

}  // namespace
}  // namespace harrowlander
