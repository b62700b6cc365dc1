// A backup through the server's share ended from outside: SIGTERM or SIGINT in each
// kind of step (the server's statement, the copy, the clean-up), SIGTERM while the share
// hangs, and SIGKILL in the copy. Each time the next run finds nothing in its way and succeeds, and
// afterwards the server holds nothing of either run and the workstation's folder nothing but
// backups.
#include <signal.h>

#include <chrono>
#include <thread>

#include "fault_fixture.h"
#include "smbd_outage.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint64_t kLongBackup = std::uint64_t{768} << 20;
constexpr const char* kWaitingForTheLock = "的传输目录正被另一次备份或还原使用,等待...";

class StoppedRunFaults : public RemoteFaultTest {
 protected:
  // A run that ends normally after the stopped one: the lock is free (no wait), what the
  // stopped run left is cleared, and nothing is left behind.
  void ExpectTheNextRunSucceedsAndLeavesNothing() {
    const CliResult next = Run(
        Remote({"backup", "--database", "Sales", "--to", (Destination() / "Sales.bak").string()}));
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_FALSE(Contains(next.err, kWaitingForTheLock)) << next.err;
    ExpectNothingLeftOnServer();
    EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
    EXPECT_TRUE(ReadFile(Destination() / "Sales.bak").starts_with("HLTSBSET"));
  }
};

enum class Step { kStatement, kCopy, kCleanUp };

struct StopCase {
  Step step;
  int signal;
  const char* name;
};

class SignalledRun : public StoppedRunFaults, public ::testing::WithParamInterface<StopCase> {
 protected:
  static int ExitStatusOf(int signal) { return signal == SIGINT ? 130 : 143; }
};

// The signal comes while the server backs up (a minute's delay, cancelled), while the
// copy runs (a file grown long), or while the share is taken down at the end (its
// removal held for a few seconds); there the backup is complete already.
TEST_P(SignalledRun, EndsThroughItsCleanUpAndTheNextRunFindsNothingInItsWay) {
  const StopCase stop = GetParam();
  const fs::path older = OlderBackup("Sales.bak");
  std::unique_ptr<CliProcess> run;
  std::string when;
  switch (stop.step) {
    case Step::kStatement:
      // Inventory's statement alone is held, so that the next run's goes through.
      Start({"--delay", "60000,backup database \\[Inventory\\]"});
      run = std::make_unique<CliProcess>(
          Command(Remote({"backup", "--database", "Inventory", "--to",
                          (Destination() / "Inventory.bak").string(), "--json"})),
          environment, "", Work());
      ASSERT_TRUE(WaitForBatch("backup database [Inventory]"));
      when = "during the backup statement";
      break;
    case Step::kCopy:
      Start(LongCopyFaults());
      run = StartLongCopy({"backup", "--database", "Sales", "--to", older.string()}, kLongBackup);
      ASSERT_TRUE(run);
      when = "during the copy";
      break;
    case Step::kCleanUp:
      Start({"--delay", "4000,net share BKSQLData\\$ /del"});
      run = std::make_unique<CliProcess>(
          Command(Remote({"backup", "--database", "Sales", "--to", older.string(), "--json"})),
          environment, "", Work());
      ASSERT_TRUE(WaitForBatch("net share BKSQLData$ /del", 60s));
      when = "during the clean-up";
      break;
  }
  std::chrono::steady_clock::duration took{};
  const CliResult stopped = SignalAndWait(*run, stop.signal, when, took);

  // Well within the bounds the command line keeps: a clean-up begun within 15 s of the
  // signal, an end within 75 s.
  EXPECT_LT(took, 30s);
  EXPECT_FALSE(Contains(stopped.out, "did not stop in time")) << stopped.out;
  EXPECT_TRUE(Contains(stopped.out, "\"type\":\"signal\"")) << stopped.out;
  if (stop.step == Step::kCleanUp) {
    // The copy was complete and its clean-up is never broken off: the run ends as it
    // would have.
    EXPECT_EQ(stopped.exitCode, 0) << stopped.out;
    EXPECT_EQ(ResultField(stopped, "outcome"), "done") << stopped.out;
    EXPECT_TRUE(ReadFile(older).starts_with("HLTSBSET"));
  } else {
    EXPECT_EQ(stopped.exitCode, ExitStatusOf(stop.signal)) << stopped.out;
    EXPECT_EQ(ResultField(stopped, "outcome"), "stopped") << stopped.out;
    EXPECT_EQ(ResultField(stopped, "status"), "备份已停止.") << stopped.out;
    EXPECT_EQ(ReadFile(older), kOlderBytes);
  }
  EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
  ExpectNothingLeftOnServer();
  EXPECT_FALSE(SentAnyContaining("*.*"));

  ExpectTheNextRunSucceedsAndLeavesNothing();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SignalledRun,
    ::testing::Values(StopCase{Step::kStatement, SIGTERM, "SigtermInTheBackupStatement"},
                      StopCase{Step::kStatement, SIGINT, "SigintInTheBackupStatement"},
                      StopCase{Step::kCopy, SIGTERM, "SigtermInTheCopy"},
                      StopCase{Step::kCopy, SIGINT, "SigintInTheCopy"},
                      StopCase{Step::kCleanUp, SIGTERM, "SigtermInTheCleanUp"},
                      StopCase{Step::kCleanUp, SIGINT, "SigintInTheCleanUp"}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

// The share stops answering in the middle of the copy, and SIGTERM comes while the copy
// still waits for it (before the library's 20 s timeout): the copy is broken off, and
// the run takes down on the server what it set up there, within seconds.
TEST_F(StoppedRunFaults, ASignalWhileTheShareHangsEndsTheRunWithinSeconds) {
  SmbdOutage outage;
  ASSERT_TRUE(outage.Known()) << "smbd leads no process group of its own";
  Start(LongCopyFaults());
  const fs::path older = OlderBackup("Sales.bak");
  auto copy = StartLongCopy({"backup", "--database", "Sales", "--to", older.string()}, kLongBackup);
  ASSERT_TRUE(copy);
  ASSERT_TRUE(outage.StopAnswering());
  std::this_thread::sleep_for(2s);
  std::chrono::steady_clock::duration took{};
  const CliResult stopped = SignalAndWait(*copy, SIGTERM, "while the share hangs", took);
  outage.Resume();

  EXPECT_LT(took, 15s);
  EXPECT_EQ(stopped.exitCode, 143) << stopped.out;
  EXPECT_EQ(ResultField(stopped, "status"), "备份已停止.") << stopped.out;
  EXPECT_EQ(ReadFile(older), kOlderBytes);
  EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
  ExpectNothingLeftOnServer();

  ExpectTheNextRunSucceedsAndLeavesNothing();
}

// Killed, the run takes down nothing: the server frees its lock with the connection, and
// the next run recognises the folder by its marker, deletes the files of the tool's
// naming in it by name, takes the share over and removes all of it at its end.
TEST_F(StoppedRunFaults, AKilledCopysLeftoversAreClearedByTheNextRun) {
  Start(LongCopyFaults());
  const fs::path older = OlderBackup("Sales.bak");
  auto copy = StartLongCopy({"backup", "--database", "Sales", "--to", older.string()}, kLongBackup);
  ASSERT_TRUE(copy);
  const pid_t killedPid = copy->Pid();
  ASSERT_EQ(::kill(killedPid, SIGKILL), 0);
  EXPECT_EQ(copy->Wait().exitCode, 128 + SIGKILL);

  ASSERT_TRUE(fs::exists(ServerFile("C:\\BKSQLData$\\Harrowlander.transfer")));
  ASSERT_TRUE(fs::exists(ServerFile("C:\\BKSQLData$\\Sales.bak")));
  ASSERT_TRUE(ShareRecorded());
  EXPECT_EQ(ReadFile(older), kOlderBytes);
  // The copy's new file, hidden beside the destination, named after the killed process.
  const std::string piecePrefix = ".Sales.bak." + std::to_string(killedPid) + "-";
  std::vector<std::string> left = Names(Destination());
  ASSERT_EQ(left.size(), 2u);
  EXPECT_TRUE(left[0].starts_with(piecePrefix) && left[0].ends_with(".part")) << left[0];

  const std::size_t earlier = Batches().size();
  const CliResult next = Run(Remote({"backup", "--database", "Sales", "--to", older.string()}));
  EXPECT_EQ(next.exitCode, 0) << next.err;
  EXPECT_FALSE(Contains(next.err, kWaitingForTheLock)) << next.err;
  const std::vector<std::string> batches = Batches();
  const std::vector<std::string> its(batches.begin() + static_cast<std::ptrdiff_t>(earlier),
                                     batches.end());
  const auto position = [&](const std::string& batch) {
    return std::find(its.begin(), its.end(), batch) - its.begin();
  };
  const auto cleared = position("xp_cmdshell 'del \"c:\\BKSQLData$\\Sales.bak\" /q'");
  EXPECT_LT(cleared, position("backup database [Sales] to disk='c:\\BKSQLData$\\Sales.bak' "
                              "with init, stats = 1"));
  EXPECT_FALSE(SentAnyContaining("*.*"));
  ExpectNothingLeftOnServer();
  EXPECT_TRUE(ReadFile(older).starts_with("HLTSBSET"));

  // The next copy into that folder cleared the killed process's new file.
  EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
}

}  // namespace
}  // namespace harrowlander::testing
