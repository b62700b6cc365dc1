// Faults of the copy from the server's share to the workstation.
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "fault_fixture.h"
#include "smbd_outage.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;
using std::chrono::steady_clock;

constexpr std::uint64_t kLongBackup = std::uint64_t{768} << 20;
// Long enough for a pause to fall into the copy, short enough to be copied whole.
constexpr std::uint64_t kPausedBackup = std::uint64_t{256} << 20;

class CopyFaults : public RemoteFaultTest {
 protected:
  // A failed backup: the older file as it was and nothing beside it, and on the server
  // everything the run set up gone (share, transfer file, folder), taken down by name.
  void ExpectFailedAndNothingLost(const CliResult& run, const fs::path& older) {
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_EQ(ReadFile(older), kOlderBytes);
    EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
    EXPECT_TRUE(Sent("xp_cmdshell 'net share BKSQLData$ /del'"));
    EXPECT_TRUE(Sent("xp_cmdshell 'del \"c:\\BKSQLData$\\Sales.bak\" /q'"));
    EXPECT_FALSE(SentAnyContaining("*.*"));
    ExpectNothingLeftOnServer();
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

// The destination's free room is checked against the file's size before anything is
// copied: the status names both.
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
    const std::string status = ResultField(run, "status");
    const std::string named =
        "备份失败.原因:目标位置空间不足:文件大小64.00 MB (67108864 字节),可用空间";
    ASSERT_TRUE(status.starts_with(named)) << status;
    const std::size_t freeBytes = status.find('(', named.size());
    ASSERT_NE(freeBytes, std::string::npos) << status;
    EXPECT_LE(std::stoull(status.substr(freeBytes + 1)), 8u << 20) << status;
    EXPECT_TRUE(status.ends_with(" 字节)")) << status;
    EXPECT_FALSE(Contains(run.out, "\"step\":\"copy\"")) << run.out;
  }
  ::umount(Destination().c_str());
}

// A share that stops answering for 10 s in the middle of the copy, less than the
// library's timeout: the copy waits for it and the whole file arrives.
TEST_F(CopyFaults, AShareThatPausesForTenSecondsStillDeliversTheWholeFile) {
  SmbdOutage outage;
  ASSERT_TRUE(outage.Known()) << "smbd leads no process group of its own";
  Start(LongCopyFaults());
  const fs::path older = OlderBackup("Sales.bak");
  auto copy =
      StartLongCopy({"backup", "--database", "Sales", "--to", older.string()}, kPausedBackup);
  ASSERT_TRUE(copy);
  ASSERT_TRUE(outage.StopAnswering());
  std::this_thread::sleep_for(seconds(10));
  outage.Resume();
  const CliResult run = copy->Wait();

  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(ResultField(run, "outcome"), "done");
  EXPECT_EQ(fs::file_size(older), kPausedBackup);
  EXPECT_TRUE(ReadFile(older).starts_with("HLTSBSET"));
  EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
  ExpectNothingLeftOnServer();
}

// A machine switched off in the middle of the copy: the share answers nothing for
// HARROWLANDER_FAULT_SMBD_STOP_SECONDS (60 by default), far longer than the reconnect
// window. The copy waits for the library's timeout (20 s) and then its window for the
// server, and the run ends with its message while the share is still away, taking down
// on the server what it set up there. A stop shorter than the timeout and the window
// together may let the copy go on, so it is not taken.
TEST_F(CopyFaults, AShareThatStopsAnsweringEndsTheRunInBoundedTime) {
  constexpr auto kWindow = seconds(5);
  const std::string setting = Env("HARROWLANDER_FAULT_SMBD_STOP_SECONDS");
  const seconds stopFor(setting.empty() ? 60 : std::atoi(setting.c_str()));
  ASSERT_GE(stopFor, seconds(20) + kWindow + seconds(15))
      << "HARROWLANDER_FAULT_SMBD_STOP_SECONDS must leave the copy time to give up";
  SmbdOutage outage;
  ASSERT_TRUE(outage.Known()) << "smbd leads no process group of its own";
  Start(LongCopyFaults());
  const fs::path older = OlderBackup("Sales.bak");
  auto copy = StartLongCopy({"backup", "--database", "Sales", "--to", older.string(),
                             "--reconnect-window", std::to_string(kWindow.count())},
                            kLongBackup);
  ASSERT_TRUE(copy);
  ASSERT_TRUE(outage.StopAnswering());
  const auto stopped = steady_clock::now();
  std::atomic<bool> ended{false};
  std::thread watchdog([&] {
    while (!ended && steady_clock::now() - stopped < stopFor) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    outage.Resume();
  });
  const CliResult run = copy->Wait();
  const auto took = steady_clock::now() - stopped;
  ended = true;
  watchdog.join();
  std::printf("[ fail time ] share stopped answering: %.2f s from the stop to the end\n",
              std::chrono::duration<double>(took).count());

  EXPECT_LT(took, stopFor) << "the run waited for the share to come back";
  EXPECT_LT(took, seconds(20) + kWindow + seconds(20));
  ExpectFailedAndNothingLost(run, older);
  EXPECT_TRUE(Contains(run.out, "与[127.0.0.1]的连接中断,正在重试...")) << run.out;
  EXPECT_TRUE(ResultField(run, "status").starts_with("备份失败.原因:")) << run.out;
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
  EXPECT_TRUE(
      Contains(run.err,
               "服务器不能建立共享[BKSQLData$]:System error 2118 has occurred. The name has "
               "already been shared. 该共享名已用于[D:\\Old],不是本程序的临时目录"
               "[c:\\BKSQLData$],未做改动."))
      << run.err;
  EXPECT_TRUE(Contains(ReadFile(server->StateDir() / "shares.txt"), "D:\\Old"));
  EXPECT_EQ(ReadFile(theirs), "the administrator's");
  EXPECT_EQ(ReadFile(older), kOlderBytes);
  EXPECT_FALSE(SentAnyContaining("/del"));
  EXPECT_TRUE(Sent("xp_cmdshell 'del \"c:\\BKSQLData$\\Sales.bak\" /q'"));
  EXPECT_FALSE(fs::exists(ServerFile("C:\\BKSQLData$")));
}

}  // namespace
}  // namespace harrowlander::testing
