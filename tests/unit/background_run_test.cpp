// A run on a thread of its own: the window's thread only starts it and takes it back at
// its end, Start stops it meanwhile, and closing the window waits for it.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "fakes/fake_platform.h"
#include "fakes/fake_window_thread.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {
namespace {

class BackgroundRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.OnInitDialog();
    dlg.m_strDatabase = "Sales";
    dlg.m_bSameMachine = 1;
    dlg.UpdateData(false);
    fake.window.fileDialogAnswers = {"/home/user/bk/Sales.bak"};
    fake.files.files["/home/user/bk/Sales.bak"] = "written by the server";
    // The backup statement runs until the test lets it end.
    fake.server.whileRunning = [this](const std::string& statement) {
      if (statement.starts_with("backup database")) {
        std::unique_lock<std::mutex> lock(m_lock);
        m_running = true;
        thread.Post([] {});  // wakes the test's pumping
        m_changed.wait(lock, [this] { return m_released; });
      }
    };
  }

  // Pumps the run's window calls until the backup statement runs on the server.
  void WaitUntilTheStatementRuns() {
    ASSERT_TRUE(thread.PumpUntil([this] {
      std::lock_guard<std::mutex> lock(m_lock);
      return m_running;
    }));
  }
  void LetTheStatementEnd() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_released = true;
    m_changed.notify_all();
  }
  bool RunEnded() {
    return thread.PumpUntil([this] { return !dlg.IsRunning(); });
  }

  testing::FakePlatform fake;
  testing::FakeWindowThread thread;
  CHarrowlanderDlg dlg{fake.ports, thread};

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_running = false;
  bool m_released = false;
};

TEST_F(BackgroundRunTest, StartReturnsAtOnceAndTheEndComesBackToTheWindowsThread) {
  dlg.OnStart();
  WaitUntilTheStatementRuns();
  EXPECT_TRUE(dlg.IsRunning());
  EXPECT_EQ(fake.window.texts[res::IDOK], "停止");
  EXPECT_FALSE(fake.window.IsEnabled(res::IDC_DATABASE));
  EXPECT_FALSE(fake.window.IsEnabled(res::IDC_MODE_RESTORE));
  EXPECT_TRUE(fake.window.IsEnabled(res::IDCANCEL));

  LetTheStatementEnd();
  ASSERT_TRUE(RunEnded());
  EXPECT_EQ(fake.window.texts[res::IDOK], "备份");
  EXPECT_TRUE(fake.window.IsEnabled(res::IDC_DATABASE));
  EXPECT_FALSE(fake.window.IsEnabled(res::IDC_TABLE_KEYWORD)) << "as the mode rules say";
  EXPECT_EQ(fake.window.beeps, std::vector<unsigned>{mb::kIconQuestion});
  EXPECT_TRUE(dlg.m_strStatus.starts_with("已经备份完成.")) << dlg.m_strStatus;
}

TEST_F(BackgroundRunTest, StartDuringARunStopsIt) {
  dlg.OnStart();
  WaitUntilTheStatementRuns();
  // The server ends the statement when it is cancelled, and only then.
  fake.server.onCancel = [this] { LetTheStatementEnd(); };
  dlg.OnStart();
  ASSERT_TRUE(RunEnded());
  EXPECT_EQ(dlg.m_strStatus, "备份已停止.");
  EXPECT_EQ(dlg.LastOutcome().state, RunOutcome::State::kStopped);
  EXPECT_EQ(fake.window.beeps, std::vector<unsigned>{mb::kSimpleBeep});
}

TEST_F(BackgroundRunTest, ClosingDuringARunAsksAndClosesOnlyOnceTheRunHasEnded) {
  dlg.OnStart();
  WaitUntilTheStatementRuns();
  using Reason = CHarrowlanderDlg::CloseReason;
  EXPECT_FALSE(dlg.OnCloseRequest(Reason::kEscape));
  EXPECT_TRUE(fake.window.messageBoxes.empty()) << "Esc asks nothing";

  fake.window.messageBoxAnswers = {kIdNo};
  EXPECT_FALSE(dlg.OnCloseRequest(Reason::kWindowClose));
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "正在执行操作,是否停止并退出?");

  fake.server.onCancel = [this] { LetTheStatementEnd(); };
  fake.window.messageBoxAnswers = {kIdYes};
  EXPECT_FALSE(dlg.OnCloseRequest(Reason::kExitButton));
  ASSERT_TRUE(RunEnded());
  EXPECT_EQ(dlg.m_strStatus, "备份已停止.");
  EXPECT_EQ(fake.window.events.back(), "close window");
  EXPECT_TRUE(dlg.OnCloseRequest(Reason::kEscape)) << "no run any more";
}

}  // namespace
}  // namespace harrowlander
