#include <gtest/gtest.h>
#include <wx/filedlg.h>
#include <wx/odcombo.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "gui/wx/file_dialog.h"
#include "server_window_fixture.h"
#include "ui/key_sequence.h"

namespace harrowlander::wx::testing {
namespace {

namespace fs = std::filesystem;

// The window used as a person at the keyboard uses it, with the server's statement log
// telling what reached the server.
class KeyboardTest : public ServerWindowTest {
 protected:
  // Puts the name into the database box by typing and presses Enter there, which
  // presses Start.
  void EnterOnDatabase(const char* name) {
    auto& combo = dynamic_cast<wxOwnerDrawnComboBox&>(C(IDC_DATABASE));
    combo.GetTextCtrl()->SetFocus();
    combo.GetTextCtrl()->SelectAll();
    driver.Type(name);
    driver.Key(WXK_RETURN);
  }

  void HoldDropLock(bool down) {
    for (int key : {int(WXK_CONTROL), int('3'), int('4'), int('5')}) {
      down ? driver.KeyDown(key) : driver.KeyUp(key);
    }
  }

  bool ListShown(int id) { return dynamic_cast<wxComboCtrl&>(C(id)).IsPopupShown(); }
};

TEST_F(KeyboardTest, TheDeleteQuestionDropsOnlyOnAnExplicitYes) {
  driver.Click(C(IDC_MODE_DELETE));
  for (int key : {int(WXK_ESCAPE), int(WXK_RETURN)}) {  // dismissed; the default No
    WindowDriver::BoxAnswer answer(driver, key);
    EnterOnDatabase("Inventory");
    ASSERT_TRUE(driver.WaitFor([&] { return answer.answered(); }, 5000)) << key;
    driver.Pump(500);
    EXPECT_EQ(answer.caption().utf8_string(), "确认删除");
    EXPECT_FALSE(ServerReceived("drop database")) << key;
    EXPECT_TRUE(window->IsShown());
  }
  WindowDriver::BoxAnswer yes(driver, 'y', wxMOD_ALT);  // 是(Y)
  EnterOnDatabase("Inventory");
  EXPECT_TRUE(driver.WaitFor([&] { return ServerReceived("drop database [Inventory]"); }, 5000));
}

TEST_F(KeyboardTest, TheDropTablesQuestionDismissedOrDefaultedDropsNothing) {
  driver.Click(C(IDC_MODE_DROP_TABLES));
  driver.Type("SYS_%");
  adapters->window.SetControlText(IDC_DATABASE, "Sales");
  for (int key : {int(WXK_ESCAPE), int(WXK_RETURN)}) {
    HoldDropLock(true);
    WindowDriver::BoxAnswer answer(driver, key);
    driver.Click(C(IDOK));
    HoldDropLock(false);
    ASSERT_TRUE(driver.WaitFor([&] { return answer.answered(); }, 5000)) << key;
    driver.Pump(500);
    EXPECT_EQ(answer.caption().utf8_string(), "确认删除");
    EXPECT_FALSE(ServerReceived("Drop Table")) << key;
  }
}

TEST_F(KeyboardTest, EscOnTheKeySequencePromptAnswersNo) {
  C(IDC_NET_USER).SetFocus();
  driver.KeyDown(WXK_ALT);
  driver.Key('h');
  driver.Key('l');
  WindowDriver::BoxAnswer answer(driver, WXK_ESCAPE);
  driver.Key('r');
  ASSERT_TRUE(driver.WaitFor([&] { return answer.answered(); }));
  driver.Pump(200);
  EXPECT_EQ(answer.caption().utf8_string(), "初始化密码");
  EXPECT_EQ(KeySequenceState(), 0);
}

TEST_F(KeyboardTest, EscClosesAMessageBoxAndNothingFollowsIt) {
  driver.Click(C(IDC_MODE_DROP_TABLES));  // no keyword typed
  adapters->window.SetControlText(IDC_DATABASE, "Sales");
  WindowDriver::BoxAnswer keyword(driver, WXK_ESCAPE);
  driver.Click(C(IDOK));
  ASSERT_TRUE(driver.WaitFor([&] { return keyword.answered(); }));
  driver.Pump(300);
  EXPECT_EQ(keyword.message().utf8_string(), "请输入表名关键字");
  EXPECT_FALSE(ServerReceived("sysobjects"));
  EXPECT_TRUE(window->IsShown());

  C(IDC_CONNECT_TIMEOUT).SetFocus();
  dynamic_cast<wxTextCtrl&>(C(IDC_CONNECT_TIMEOUT)).SelectAll();
  driver.Type("x");
  WindowDriver::BoxAnswer range(driver, WXK_ESCAPE);
  driver.Click(C(IDOK));
  ASSERT_TRUE(driver.WaitFor([&] { return range.answered(); }));
  driver.Pump(300);
  EXPECT_EQ(range.message().utf8_string(), "请输入一个整数。");
  EXPECT_EQ(FocusedId(), IDC_CONNECT_TIMEOUT);
  EXPECT_FALSE(ServerReceived("sysobjects"));
}

TEST_F(KeyboardTest, EscOrAClickElsewhereClosesAnOpenListAndNotTheWindow) {
  for (int id : {IDC_DATABASE, IDC_SERVER}) {
    dynamic_cast<wxOwnerDrawnComboBox&>(C(id)).GetTextCtrl()->SetFocus();
    driver.Pump(100);
    driver.KeyDown(WXK_ALT);
    driver.Key(WXK_DOWN);
    driver.KeyUp(WXK_ALT);
    ASSERT_TRUE(driver.WaitFor([&] { return ListShown(id); }, 5000)) << id;
    driver.Key(WXK_ESCAPE);
    EXPECT_TRUE(driver.WaitFor([&] { return !ListShown(id); })) << id;
    EXPECT_TRUE(window->IsShown()) << id;
  }
  driver.ClickRightEnd(C(IDC_DATABASE));
  ASSERT_TRUE(driver.WaitFor([&] { return ListShown(IDC_DATABASE); }));
  driver.Click(C(IDC_STATUS));
  EXPECT_TRUE(driver.WaitFor([&] { return !ListShown(IDC_DATABASE); }));
  EXPECT_TRUE(window->IsShown());
}

TEST_F(KeyboardTest, AnEmptyDatabaseBoxStaysEmptyThroughARunAndTheNext) {
  ASSERT_EQ(DroppedDatabaseList(), (std::vector<std::string>{"Inventory", "Sales"}));
  ASSERT_EQ(Text(IDC_DATABASE), "");
  driver.Click(C(IDC_MODE_SHRINK));
  for (int run = 0; run < 2; ++run) {
    driver.Click(C(IDOK));
    driver.Pump(1000);
    EXPECT_EQ(Text(IDC_DATABASE), "") << run;
    EXPECT_EQ(adapters->window.GetComboSelection(IDC_DATABASE), -1) << run;
  }
  EXPECT_FALSE(ServerReceived("Inventory"));
}

TEST_F(KeyboardTest, TheComboEditsTakeNoMoreTextThanTheyShow) {
  for (int id : {IDC_SERVER, IDC_DATABASE}) {
    wxTextCtrl& edit = *dynamic_cast<wxOwnerDrawnComboBox&>(C(id)).GetTextCtrl();
    edit.SetFocus();
    edit.SelectAll();
    driver.Type("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    const std::string taken = Text(id);
    EXPECT_GT(taken.size(), 3u) << id;
    EXPECT_LT(taken.size(), 40u) << id;
    EXPECT_LE(edit.GetTextExtent(edit.GetValue()).x, edit.GetClientSize().x) << id;
    if (id == IDC_SERVER) {
      EXPECT_EQ(Text(IDC_NET_SERVER), taken);  // the log-on name follows what was taken
    }
  }
}

// The file dialogs as GTK shows them, answered by typing as a person does.
class FileDialogTest : public MainWindowTest {
 protected:
  std::optional<std::string> Answer(const FileDialogRequest& request,
                                    std::function<void(wxFileDialog&)> look,
                                    const std::string& typed) {
    WindowDriver::WhenShown typing([&](wxDialog& dialog) {
      look(dynamic_cast<wxFileDialog&>(dialog));
      wxUIActionSimulator& keys = driver.simulator();
      if (!request.save) {
        keys.Char('l', wxMOD_CONTROL);  // the location entry takes a path
        driver.Pump(300);
      }
      keys.Char('a', wxMOD_CONTROL);
      keys.Text(typed.c_str());
      driver.Pump(300);
      keys.Char(WXK_RETURN);
    });
    return wx::ShowFileDialog(window, request);
  }

  ScratchDir scratch;
};

TEST_F(FileDialogTest, OpenKeepsTheChosenNameAndTheNextDialogStartsWhereItEnded) {
  const fs::path archiver = scratch.Path() / "rar";
  std::ofstream(archiver) << "#!/bin/sh\n";
  const auto chosen = Answer(
      {false, ".exe", "c:\\Program Files\\WinRAR\\WinRAR.exe", 0x2,
       "WinRAR Excute File|winrar.exe||"},
      [](wxFileDialog&) {}, archiver.string());
  EXPECT_EQ(chosen, archiver.string());

  std::string startedIn;
  const auto saved = Answer(
      {true, "bak", "Sales_at2612081200onHOST", 0x6, "Backup File(*.bak)|*.bak||"},
      [&](wxFileDialog& dialog) { startedIn = dialog.GetDirectory().utf8_string(); }, "Sales");
  EXPECT_EQ(startedIn, scratch.Path().string());
  EXPECT_EQ(saved, (scratch.Path() / "Sales.bak").string());
}

}  // namespace
}  // namespace harrowlander::wx::testing
