#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "server_window_fixture.h"
#include "ui/key_sequence.h"

namespace harrowlander::wx::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kBackupProgress = "正在备份[Sales]... ";

// The window while an operation runs on its own thread: the server takes about eight
// seconds over a backup, reporting each percent on the way, and two over a shrink.
class RunningWindowTest : public ServerWindowTest {
 protected:
  std::vector<std::string> ServerArguments() override {
    return {"--delay", "8000,backup database", "--delay", "2000,SHRINKDATABASE"};
  }

  void SetUp() override {
    ServerWindowTest::SetUp();
    adapters->window.SetControlText(IDC_DATABASE, "Sales");
  }

  // Presses Start with the key (a click when 0) and answers the Save dialog by typing
  // the path of the backup file.
  void StartBackup(const fs::path& file, int key = 0) {
    const auto backups = [this] {
      const std::vector<std::string> lines = Statements();
      return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("backup database") != std::string::npos;
      });
    };
    const auto before = backups();
    WindowDriver::WhenShown typing([&](wxDialog&) {
      wxUIActionSimulator& keys = driver.simulator();
      keys.Char('a', wxMOD_CONTROL);
      keys.Text(file.c_str());
      driver.Pump(300);
      keys.Char(WXK_RETURN);
    });
    if (key == 0) {
      driver.Click(C(IDOK));
    } else {
      driver.Key(key);
    }
    ASSERT_TRUE(driver.WaitFor([&] { return typing.done(); }, 10000)) << "no Save dialog";
    ASSERT_TRUE(driver.WaitFor([&] { return backups() > before; }, 10000));
  }

  bool ShowsProgress() { return Text(IDC_STATUS).starts_with(kBackupProgress); }

  // Processes events until the run ends, collecting the progress texts shown meanwhile.
  bool WaitForTheEnd(std::set<std::string>* shown = nullptr, int milliseconds = 30000) {
    return driver.WaitFor(
        [&] {
          if (shown != nullptr && ShowsProgress()) {
            shown->insert(Text(IDC_STATUS));
          }
          return !dlg->IsRunning();
        },
        milliseconds);
  }

  // The statements that reached the server, in order.
  std::vector<std::string> Statements() {
    std::ifstream log(m_scratch.Path() / "batches.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
      lines.push_back(line);
    }
    return lines;
  }

  // Where the first statement holding the text stands among them; -1 when none does.
  int IndexOf(const std::string& text) {
    const std::vector<std::string> lines = Statements();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find(text) != std::string::npos) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }

  // Every control whose value the run reads or whose handler would change its fields.
  const std::set<int> kLockedDuringRun = {IDC_RAR_PASSWORD,
                                          IDC_CONFIGURE_CLIENT,
                                          IDC_SQL_USER,
                                          IDC_SQL_PASSWORD,
                                          IDC_SAVE_SQL_PASSWORD,
                                          IDC_DATABASE,
                                          IDC_SAME_MACHINE,
                                          IDC_COMPRESS_RAR,
                                          IDC_DROP_BEFORE_RESTORE,
                                          IDC_MODE_BACKUP,
                                          IDC_MODE_RESTORE,
                                          IDC_NET_USER,
                                          IDC_NET_PASSWORD,
                                          IDC_SAVE_NET_PASSWORD,
                                          IDC_NET_SERVER,
                                          IDC_SHRINK_BEFORE_BACKUP,
                                          IDC_MODE_DELETE,
                                          IDC_SERVER,
                                          IDC_RESTORE_TO_DATA_DIR,
                                          IDC_RAR_PASSWORD2,
                                          IDC_MODE_SHRINK,
                                          IDC_SHRINK_PERCENT,
                                          IDC_TRUNCATE_LOG_BEFORE_SHRINK,
                                          IDC_MODE_DROP_TABLES,
                                          IDC_TABLE_KEYWORD,
                                          IDC_CONNECT_TIMEOUT,
                                          IDC_COMMAND_TIMEOUT,
                                          IDC_INCREMENTAL};
};

// Start returns at once: the window shows the server's percentages as they come, with
// Start reading 停止 and the run's fields out of reach, until the run's end gives the
// controls back as the mode says.
TEST_F(RunningWindowTest, TheStatusLineFollowsTheServersProgressWhileTheWindowAnswers) {
  driver.Click(C(IDC_SAME_MACHINE));
  const std::set<int> enabledBefore = EnabledAmong(kLockedDuringRun);
  const fs::path file = m_scratch.Path() / "progress.bak";
  StartBackup(file);
  ASSERT_TRUE(driver.WaitFor([&] { return ShowsProgress(); }, 10000)) << Text(IDC_STATUS);
  EXPECT_TRUE(dlg->IsRunning());
  EXPECT_EQ(Text(IDOK), "停止");
  EXPECT_TRUE(C(IDOK).IsEnabled());
  EXPECT_TRUE(C(IDCANCEL).IsEnabled());
  EXPECT_EQ(EnabledAmong(kLockedDuringRun), std::set<int>{});

  std::set<std::string> shown;
  ASSERT_TRUE(WaitForTheEnd(&shown));
  EXPECT_GE(shown.size(), 3u);
  EXPECT_TRUE(Text(IDC_STATUS).starts_with("已经备份完成.")) << Text(IDC_STATUS);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(Text(IDOK), "备份");
  EXPECT_EQ(EnabledAmong(kLockedDuringRun), enabledBefore);
}

// Not on the same machine the server backs up into a transfer folder it shares: a stop
// during the backup cancels the statement, and the run takes the folder down again
// before it ends. The next run is not hindered.
TEST_F(RunningWindowTest, StopCancelsTheBackupAndTheRunTakesDownWhatItSetUp) {
  const fs::path file = m_scratch.Path() / "stopped.bak";
  StartBackup(file);
  ASSERT_TRUE(driver.WaitFor([&] { return ShowsProgress(); }, 10000)) << Text(IDC_STATUS);
  const Clock::time_point clicked = Clock::now();
  std::set<std::string> shown{Text(IDC_STATUS)};
  driver.Click(C(IDOK));
  ASSERT_TRUE(WaitForTheEnd(&shown, 15000));
  EXPECT_LT(Clock::now() - clicked, std::chrono::seconds(6)) << "the backup ran on";
  EXPECT_EQ(Text(IDC_STATUS), "备份已停止.");
  EXPECT_FALSE(shown.contains(std::string(kBackupProgress) + "100%"));
  EXPECT_FALSE(fs::exists(file));

  const int backup = IndexOf("backup database");
  const int deleteFile = IndexOf("Sales.bak\\\" /q");
  const int removeFolder = IndexOf("rmdir");
  EXPECT_LT(backup, deleteFile);
  EXPECT_LT(deleteFile, removeFolder);
  EXPECT_LT(removeFolder, IndexOf("sp_releaseapplock"));
  EXPECT_EQ(IndexOf("net share BKSQLData$="), -1) << "shared after the stop";
  EXPECT_EQ(Text(IDOK), "备份");

  driver.Click(C(IDC_MODE_SHRINK));
  driver.Click(C(IDOK));
  ASSERT_TRUE(WaitForTheEnd());
  EXPECT_EQ(Text(IDC_STATUS), "已经收缩数据库[Sales].");
}

// At the keyboard: Esc during a run does nothing. A run started with Enter in an edit
// that it disables leaves the focus on Start, now 停止, where Enter stops it.
TEST_F(RunningWindowTest, EscLeavesARunAloneAndEnterOnStopStopsIt) {
  driver.Click(C(IDC_SAME_MACHINE));
  C(IDOK).SetFocus();
  driver.Pump(100);
  const fs::path finished = m_scratch.Path() / "finished.bak";
  StartBackup(finished, WXK_RETURN);
  ASSERT_TRUE(driver.WaitFor([&] { return ShowsProgress(); }, 10000)) << Text(IDC_STATUS);
  driver.Key(WXK_ESCAPE);
  driver.Pump(300);
  EXPECT_TRUE(window->IsShown());
  EXPECT_TRUE(dlg->IsRunning());
  ASSERT_TRUE(WaitForTheEnd());
  EXPECT_TRUE(Text(IDC_STATUS).starts_with("已经备份完成.")) << Text(IDC_STATUS);
  EXPECT_TRUE(fs::exists(finished));

  const fs::path stopped = m_scratch.Path() / "stopped.bak";
  dynamic_cast<wxOwnerDrawnComboBox&>(C(IDC_DATABASE)).GetTextCtrl()->SetFocus();
  driver.Pump(100);
  StartBackup(stopped, WXK_RETURN);
  ASSERT_TRUE(driver.WaitFor([&] { return ShowsProgress(); }, 10000)) << Text(IDC_STATUS);
  EXPECT_EQ(FocusedId(), IDOK);
  driver.Key(WXK_RETURN);
  ASSERT_TRUE(WaitForTheEnd(nullptr, 15000));
  EXPECT_EQ(Text(IDC_STATUS), "备份已停止.");
  EXPECT_FALSE(fs::exists(stopped));
  EXPECT_TRUE(window->IsShown());
}

// The title bar's close and Exit ask whether to stop and exit: No lets the run go on,
// Yes stops it, and the window closes once the run has ended, not before.
TEST_F(RunningWindowTest, ClosingDuringARunAsksAndClosesOnlyAfterTheStoppedRunHasEnded) {
  driver.Click(C(IDC_SAME_MACHINE));
  const fs::path file = m_scratch.Path() / "closing.bak";
  StartBackup(file);
  ASSERT_TRUE(driver.WaitFor([&] { return ShowsProgress(); }, 10000)) << Text(IDC_STATUS);

  WindowDriver::BoxAnswer no(driver, WXK_RETURN);  // No is the default
  window->Close();
  ASSERT_TRUE(driver.WaitFor([&] { return no.answered(); }, 5000));
  driver.Pump(300);
  EXPECT_EQ(no.caption().utf8_string(), "Harrowlander");
  EXPECT_EQ(no.message().utf8_string(), "正在执行操作,是否停止并退出?");
  EXPECT_TRUE(window->IsShown());
  const std::string afterNo = Text(IDC_STATUS);
  ASSERT_TRUE(driver.WaitFor([&] { return ShowsProgress() && Text(IDC_STATUS) != afterNo; }))
      << "the run did not go on after No";

  bool runningWhenHidden = true;
  std::string statusWhenHidden;
  window->Bind(wxEVT_SHOW, [&](wxShowEvent& event) {
    event.Skip();
    if (!event.IsShown()) {
      runningWhenHidden = dlg->IsRunning();
      statusWhenHidden = Text(IDC_STATUS);
    }
  });
  WindowDriver::BoxAnswer yes(driver, 'y', wxMOD_ALT);  // 是(Y)
  driver.Click(C(IDCANCEL));
  ASSERT_TRUE(driver.WaitFor([&] { return yes.answered(); }, 5000));
  ASSERT_TRUE(driver.WaitFor([&] { return !window->IsShown(); }, 15000));
  EXPECT_FALSE(runningWhenHidden);
  EXPECT_EQ(statusWhenHidden, "备份已停止.");
  EXPECT_FALSE(fs::exists(file));
}

// A run that ends while the question is up leaves nothing to wait for: Yes closes the
// window at once.
TEST_F(RunningWindowTest, YesClosesTheWindowWhenTheRunEndedWhileTheQuestionWasUp) {
  driver.Click(C(IDC_MODE_SHRINK));
  driver.Click(C(IDOK));
  ASSERT_TRUE(driver.WaitFor([&] { return ServerReceived("SHRINKDATABASE"); }, 10000));
  ASSERT_TRUE(dlg->IsRunning());
  bool endedWhileAsking = false;
  WindowDriver::WhenShown yesAfterTheEnd([&](wxDialog&) {
    endedWhileAsking = driver.WaitFor([&] { return !dlg->IsRunning(); }, 15000);
    driver.simulator().Char('y', wxMOD_ALT);
  });
  driver.Click(C(IDCANCEL));
  ASSERT_TRUE(driver.WaitFor([&] { return yesAfterTheEnd.done(); }, 20000));
  ASSERT_TRUE(endedWhileAsking);
  EXPECT_TRUE(driver.WaitFor([&] { return !window->IsShown(); }, 3000));
  EXPECT_EQ(Text(IDC_STATUS), "已经收缩数据库[Sales].");
}

// The window's keys still reach it during a run, but the hidden key sequence is not
// watched then, and a list's drop-down queued before the run took the box does nothing.
TEST_F(RunningWindowTest, NeitherTheHiddenKeysNorADropDownReachTheDialogDuringARun) {
  driver.Click(C(IDC_MODE_SHRINK));
  driver.Click(C(IDOK));
  ASSERT_TRUE(driver.WaitFor([&] { return ServerReceived("SHRINKDATABASE"); }, 10000));
  ASSERT_TRUE(dlg->IsRunning());

  WindowDriver::BoxAnswer unexpected(driver, WXK_ESCAPE);
  C(IDOK).SetFocus();
  driver.KeyDown(WXK_ALT);
  driver.Key('h');
  driver.Key('l');
  driver.Key('r');
  driver.KeyUp(WXK_ALT);
  wxCommandEvent dropDown(wxEVT_COMBOBOX_DROPDOWN, IDC_DATABASE);
  dropDown.SetEventObject(&C(IDC_DATABASE));
  C(IDC_DATABASE).GetEventHandler()->ProcessEvent(dropDown);
  driver.Pump(600);
  EXPECT_TRUE(unexpected.caption().empty()) << "shown: " << unexpected.message();
  EXPECT_EQ(KeySequenceState(), 0);
  EXPECT_FALSE(ServerReceived("sysdatabases"));

  ASSERT_TRUE(WaitForTheEnd());
  EXPECT_EQ(Text(IDC_STATUS), "已经收缩数据库[Sales].");
}

}  // namespace
}  // namespace harrowlander::wx::testing
