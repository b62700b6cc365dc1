#include <gtest/gtest.h>

#include "app/harrowlander_app.h"
#include "fakes/fake_platform.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::testing {
namespace {

class FakeInstanceLock : public InstanceLock {
 public:
  LockAttempt TryAcquire() override {
    if (!failure.empty()) {
      return {LockAttempt::Result::kFailed, failure};
    }
    held = !takenElsewhere;
    return {held ? LockAttempt::Result::kTaken : LockAttempt::Result::kHeldByAnotherInstance, {}};
  }
  void Release() override {
    held = false;
    ++releases;
  }

  bool takenElsewhere = false;
  std::string failure;
  bool held = false;
  int releases = 0;
};

// Opens the dialog as a window system would, checks what start-up left in place while
// it is open, then closes it.
class FakeDialogHost : public DialogHost {
 public:
  explicit FakeDialogHost(FakeInstanceLock& lock) : m_lock(lock) {}

  int RunModal(CHarrowlanderDlg& dialog) override {
    ++runs;
    lockHeldWhileOpen = m_lock.held;
    dialog.OnInitDialog();
    startCaption = dialog.platform().window.GetControlText(res::IDOK);
    return res::IDCANCEL;
  }

  int runs = 0;
  bool lockHeldWhileOpen = false;
  std::string startCaption;

 private:
  FakeInstanceLock& m_lock;
};

class AppStartUpTest : public ::testing::Test {
 protected:
  FakePlatform fake;
  FakeInstanceLock lock;
  FakeDialogHost host{lock};
  CHarrowlanderApp app{lock, host, fake.ports};
};

TEST_F(AppStartUpTest, RunsTheDialogModallyHoldingTheLockAndExitsWithZeroSavingNothing) {
  EXPECT_EQ(app.Run(), 0);

  EXPECT_EQ(host.runs, 1);
  EXPECT_TRUE(host.lockHeldWhileOpen);
  EXPECT_EQ(host.startCaption, "备份");  // the dialog was initialised
  EXPECT_FALSE(lock.held);
  EXPECT_TRUE(fake.window.messageBoxes.empty());
  EXPECT_EQ(fake.files.writes, 0);
}

TEST_F(AppStartUpTest, ASecondInstanceIsToldAndEndsWithoutOpeningTheDialog) {
  lock.takenElsewhere = true;

  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.ExitInstance(), 0);

  EXPECT_EQ(host.runs, 0);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "程序已运行!");
  EXPECT_EQ(fake.window.messageBoxes[0].caption, "Harrowlander");
  EXPECT_EQ(fake.window.messageBoxes[0].style, mb::kOk | mb::kIconInformation);
  EXPECT_EQ(fake.files.reads, 0);
}

TEST_F(AppStartUpTest, ALockThatCannotBeTriedIsReportedAsSuchNotAsASecondInstance) {
  lock.failure = "/home/u/.cache/harrowlander: Permission denied";

  EXPECT_EQ(app.Run(), 1);

  EXPECT_EQ(host.runs, 0);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text,
            "无法建立单实例锁,程序不能启动:/home/u/.cache/harrowlander: Permission denied");
  EXPECT_EQ(fake.window.messageBoxes[0].style, mb::kOk | mb::kIconHand);

  lock.failure.clear();
  EXPECT_EQ(app.Run(), 0) << "the next start that gets the lock runs as usual";
  EXPECT_EQ(host.runs, 1);
}

TEST_F(AppStartUpTest, AfterTheFirstInstanceHasEndedANewStartSucceeds) {
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(host.runs, 2);
}

}  // namespace
}  // namespace harrowlander::testing
