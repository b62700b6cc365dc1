#include <gtest/gtest.h>

#include <string>

#include "platform/win32/create_process_launcher.h"
#include "platform/win32/mutex_instance_lock.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander {
namespace {

std::string ThisProgram() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return win32::Narrow(std::wstring_view(path, length));
}

std::string SystemProgram(const std::string& name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return win32::Narrow(std::wstring_view(folder, length)) + "\\" + name;
}

TEST(CreateProcessLauncher, AnswersTheExitCodeAfterTheProgramHasEnded) {
  win32::CreateProcessLauncher launcher;
  // The command line goes without the program's name, as the archiver's does.
  EXPECT_EQ(launcher.StartAndWait(SystemProgram("cmd.exe"), " /c exit 7"), 7);

  const DWORD before = GetTickCount();
  EXPECT_EQ(launcher.StartAndWait(ThisProgram(), " --exit-after 400 0"), 0);
  EXPECT_GE(GetTickCount() - before, 380u) << "returned before the program ended";
  EXPECT_TRUE(launcher.StartAndWait(ThisProgram(), " --exit-after 0 5"))
      << "a program that fails still started";
}

TEST(CreateProcessLauncher, AProgramThatIsNotThereDoesNotStart) {
  win32::CreateProcessLauncher launcher;
  EXPECT_EQ(launcher.StartAndWait(R"(c:\winnt\system32\missing.exe)", " -?"), std::nullopt);
  EXPECT_FALSE(launcher.StartAndWait(R"(c:\winnt\system32\missing.exe)", " -?"));
  EXPECT_FALSE(launcher.StartAndWait("cmd.exe", " /c exit 0")) << "the path is not searched for";
}

class MutexInstanceLockTest : public ::testing::Test {
 protected:
  static constexpr LockAttempt::Result kTaken = LockAttempt::Result::kTaken;

  // Another process of this program trying for the lock: 0 when it got it, 3 refused.
  std::optional<int> OtherProcessTries(const std::string& role = "--take-instance-lock") {
    return launcher.StartAndWait(ThisProgram(), " " + role + " " + kName);
  }

  const std::string kName = "HarrowlanderTest-" + std::to_string(GetCurrentProcessId()) + "-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
  win32::CreateProcessLauncher launcher;
};

TEST_F(MutexInstanceLockTest, AnotherProcessIsRefusedWhileItIsHeld) {
  win32::MutexInstanceLock lock(kName);
  EXPECT_EQ(OtherProcessTries(), 0) << "free before it is taken";
  ASSERT_EQ(lock.TryAcquire().result, kTaken);
  EXPECT_EQ(lock.TryAcquire().result, kTaken) << "the holder keeps it";
  EXPECT_EQ(OtherProcessTries(), 3);
  lock.Release();
  lock.Release();
  EXPECT_EQ(OtherProcessTries(), 0) << "free again after the release";
  ASSERT_EQ(lock.TryAcquire().result, kTaken);
}

TEST_F(MutexInstanceLockTest, TheEndOfTheHolderFreesIt) {
  {
    win32::MutexInstanceLock lock(kName);
    ASSERT_EQ(lock.TryAcquire().result, kTaken);
  }
  EXPECT_EQ(OtherProcessTries(), 0) << "destroying the lock releases it";

  // This process keeps the mutex in existence while the other holder crashes.
  win32::MutexInstanceLock lock(kName);
  EXPECT_EQ(OtherProcessTries("--take-instance-lock-and-crash"), 0);
  EXPECT_EQ(lock.TryAcquire().result, kTaken) << "a lock its holder abandoned is taken over";
  EXPECT_EQ(OtherProcessTries(), 3);
}

}  // namespace
}  // namespace harrowlander
