// Faults of the copy from the server's share to the workstation.
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "fault_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;
using std::chrono::steady_clock;

constexpr std::uint64_t kLongBackup = std::uint64_t{768} << 20;

class CopyFaults : public FaultTest {
 protected:
  void SetUp() override {
    if (!HaveSmbd()) {
      GTEST_SKIP() << "needs the smbd of tests/smb/with_smbd.sh";
    }
  }

  // A failed backup: the older file as it was and nothing beside it, and on the server
  // everything the run set up gone (share, transfer file, folder), taken down by name.
  void ExpectFailedAndNothingLost(const CliResult& run, const fs::path& older) {
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_EQ(ReadFile(older), kOlderBytes);
    EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
    EXPECT_TRUE(Sent("xp_cmdshell 'net share BKSQLData$ /del'"));
    EXPECT_TRUE(Sent("xp_cmdshell 'del \"c:\\BKSQLData$\\Sales.bak\" /q'"));
    EXPECT_FALSE(SentAnyContaining("*.*"));
    EXPECT_FALSE(fs::exists(ServerFile("C:\\BKSQLData$")));
  }
};

TEST_F(CopyFaults, AServerFileCutDuringTheCopyFailsItAndTheOlderBackupStays) {
  Start(LongCopyFaults());
  const fs::path older = OlderBackup("Sales.bak");
  auto copy = StartLongCopy({"backup", "--database", "Sales", "--to", older.string()}, kLongBackup);
  ASSERT_TRUE(copy);
  fs::resize_file(ServerFile("C:\\BKSQLData$\\Sales.bak"), 1 << 20);
  const CliResult run = copy->Wait();

  ExpectFailedAndNothingLost(run, older);
  EXPECT_TRUE(Contains(run.out, "备份失败.")) << run.out;
}

TEST_F(CopyFaults, AFullDiskKeepsTheOlderBackupAndLeavesNoPiece) {
  Start(LongCopyFaults());
  // with_smbd.sh gives the test a mount namespace of its own.
  ASSERT_EQ(::mount("tmpfs", Destination().c_str(), "tmpfs", 0, "size=8m"), 0);
  const fs::path older = OlderBackup("Sales.bak");
  auto copy =
      StartLongCopy({"backup", "--database", "Sales", "--to", older.string()}, 64 << 20, false);
  if (copy) {
    const CliResult run = copy->Wait();
    ExpectFailedAndNothingLost(run, older);
    EXPECT_TRUE(Contains(run.out, "备份失败.")) << run.out;
  }
  ::umount(Destination().c_str());
}

// A machine switched off in the middle of the copy: the share answers nothing. The copy
// waits for the library's timeout (20 s) and then its reconnect window for the server,
// and the run ends with its message well within two minutes, taking down on the server
// what it set up there.
TEST_F(CopyFaults, AShareThatStopsAnsweringEndsTheRunInBoundedTime) {
  const pid_t smbd = static_cast<pid_t>(std::atoi(std::getenv("HARROWLANDER_SMBD_PID")));
  ASSERT_EQ(::getpgid(smbd), smbd) << "smbd leads no process group of its own";
  Start(LongCopyFaults());
  const fs::path older = OlderBackup("Sales.bak");
  auto copy = StartLongCopy(
      {"backup", "--database", "Sales", "--to", older.string(), "--reconnect-window", "10"},
      kLongBackup);
  ASSERT_TRUE(copy);
  ASSERT_EQ(::kill(-smbd, SIGSTOP), 0);
  const auto stopped = steady_clock::now();
  std::atomic<bool> ended{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 1500 && !ended; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(-smbd, SIGCONT);
  });
  const CliResult run = copy->Wait();
  const auto took = steady_clock::now() - stopped;
  ended = true;
  watchdog.join();

  EXPECT_LT(took, seconds(120));
  ExpectFailedAndNothingLost(run, older);
}

// An administrator's share of that name, on another folder that holds a file of the
// transfer file's name: the run stops before it copies anything, and neither the
// share nor the administrator's file is touched.
TEST_F(CopyFaults, AShareOfThatNameOnAnotherFolderStopsTheRunAndKeepsItsFiles) {
  Start({"--share", "BKSQLData$=D:\\Old"});
  const fs::path theirs = ServerFile("D:\\Old") / "Sales.bak";
  std::ofstream(theirs) << "the administrator's";
  const fs::path older = OlderBackup("Sales.bak");

  const CliResult run = Run(Remote({"backup", "--database", "Sales", "--to", older.string()}));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "服务器不能建立共享[BKSQLData$]")) << run.err;
  EXPECT_TRUE(Contains(run.err, "The name has already been shared.")) << run.err;
  EXPECT_EQ(ReadFile(theirs), "the administrator's");
  EXPECT_EQ(ReadFile(older), kOlderBytes);
  EXPECT_FALSE(SentAnyContaining("/del"));
  EXPECT_TRUE(Sent("xp_cmdshell 'del \"c:\\BKSQLData$\\Sales.bak\" /q'"));
  EXPECT_FALSE(fs::exists(ServerFile("C:\\BKSQLData$")));
}

}  // namespace
}  // namespace harrowlander::testing
