// harrowlander-cli stopped by SIGINT or SIGTERM as a terminal or systemd sends them: at
// once before anything reached the server, through the run's clean-up during it, and
// within bounded time when the server never answers.
#include <signal.h>
#include <sys/syscall.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Until the program waits on its standard input, as a password prompt does.
void WaitUntilReadingInput(pid_t pid) {
  const std::string reading = std::to_string(SYS_read) + " 0x0 ";
  const auto deadline = Clock::now() + 10s;
  while (Clock::now() < deadline) {
    std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
    std::string line;
    if (std::getline(syscall, line) && line.starts_with(reading)) {
      return;
    }
    std::this_thread::sleep_for(10ms);
  }
  ADD_FAILURE() << "harrowlander-cli did not read its standard input";
}

// Until the process has ended (a zombie until Wait reaps it), its input still open.
void WaitUntilEnded(pid_t pid) {
  const auto deadline = Clock::now() + 20s;
  while (Clock::now() < deadline) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t nameEnd = line.rfind(')');
    if (nameEnd != std::string::npos && line.compare(nameEnd, 3, ") Z") == 0) {
      return;
    }
    std::this_thread::sleep_for(10ms);
  }
  ADD_FAILURE() << "harrowlander-cli did not end";
}

// The run is inside the server's statement once the server has logged it.
class CliStopTest : public CliTest {
 protected:
  bool WaitUntilSent(const std::string& part) const {
    const auto deadline = Clock::now() + 20s;
    while (Clock::now() < deadline) {
      for (const std::string& batch : Batches()) {
        if (Contains(batch, part)) {
          return true;
        }
      }
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  bool SentAny(const std::string& part) const {
    for (const std::string& batch : Batches()) {
      if (Contains(batch, part)) {
        return true;
      }
    }
    return false;
  }

  // Signals the process and waits for its end; the time between them is `took`.
  static CliResult SignalAndWait(CliProcess& cli, int signal, Clock::duration& took) {
    const auto signalled = Clock::now();
    ::kill(cli.Pid(), signal);
    CliResult run = cli.Wait();
    took = Clock::now() - signalled;
    return run;
  }
};

TEST_F(CliStopTest, ASignalBeforeTheOperationEndsTheRunAtOnce) {
  // Waiting for the password on standard input.
  std::map<std::string, std::string> env = environment;
  env.erase("HARROWLANDER_SQL_PASSWORD");
  CliProcess waiting(Command({"list-databases", "--sql-password-file", "-", "--json"}), env, "",
                     Work());
  WaitUntilReadingInput(waiting.Pid());
  const auto signalled = Clock::now();
  ::kill(waiting.Pid(), SIGTERM);
  // Its input stays open: at its end the password's read would fail the run by itself.
  WaitUntilEnded(waiting.Pid());
  const Clock::duration took = Clock::now() - signalled;
  CliResult run = waiting.Wait();
  EXPECT_EQ(run.exitCode, 143) << run.out << run.err;
  ASSERT_GE(run.OutLines().size(), 2u) << run.out;
  const std::vector<std::string> lines = run.OutLines();
  EXPECT_EQ(JsonField(lines[lines.size() - 2], "signal"), "SIGTERM");
  EXPECT_EQ(JsonField(lines.back(), "outcome"), "stopped");
  EXPECT_EQ(JsonField(lines.back(), "exitCode"), "143");
  EXPECT_LT(took, 5s);

  // Ctrl+C at the hidden prompt of a terminal.
  CliProcess prompting(Command({"list-databases"}), env, "", Work(), Streams::kTerminal);
  ASSERT_TRUE(prompting.ReadUntil("SQL Server password of sa: "));
  prompting.Send("\x03");
  run = prompting.Wait();
  EXPECT_EQ(run.exitCode, 130) << run.out;
  EXPECT_TRUE(Contains(run.out, "SIGINT: stopped before anything was sent to the server"))
      << run.out;

  EXPECT_TRUE(Batches().empty());
}

class CliStoppedInAStatement : public CliStopTest {
 protected:
  std::vector<std::string> ServerArguments() override {
    return {"--delay", "3000,backup log", "--delay", "60000,stopme"};
  }
};

// The stop takes effect in the statement (cancelled) or at its end at the latest: the
// shrink after it never reaches the server, and the run says it stopped.
TEST_F(CliStoppedInAStatement, SigintStopsTheRunBeforeItsNextStatement) {
  CliProcess cli(Command({"shrink", "--database", "Sales"}), environment, "", Work());
  ASSERT_TRUE(WaitUntilSent("backup log [Sales] with no_log"));
  Clock::duration took{};
  const CliResult run = SignalAndWait(cli, SIGINT, took);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  const size_t stopping = run.err.find("harrowlander-cli: SIGINT: stopping the run");
  const size_t stopped = run.err.find("收缩数据库[Sales]已停止.");
  EXPECT_NE(stopping, std::string::npos) << run.err;
  EXPECT_NE(stopped, std::string::npos) << run.err;
  EXPECT_LT(stopping, stopped) << run.err;
  EXPECT_FALSE(SentAny("SHRINKDATABASE"));

  const CliResult after = Run({"shrink", "--database", "Sales", "--no-truncate-log"});
  EXPECT_EQ(after.exitCode, 0) << after.err;
}

// A backup that would run for a minute is cancelled on the server at the first SIGTERM
// and ends within seconds, its file never made; the next run is not hindered.
TEST_F(CliStoppedInAStatement, SigtermCancelsALongBackupAndTheNextRunSucceeds) {
  CliProcess cli(
      Command({"backup", "--database", "Sales", "--to", "stopme.bak", "--same-machine", "--json"}),
      environment, "", Work());
  ASSERT_TRUE(WaitUntilSent("stopme.bak"));
  Clock::duration took{};
  const CliResult run = SignalAndWait(cli, SIGTERM, took);
  EXPECT_EQ(run.exitCode, 143) << run.out;
  EXPECT_LT(took, 15s);
  EXPECT_FALSE(Contains(run.out, "did not stop in time")) << run.out;
  ASSERT_FALSE(run.OutLines().empty());
  const std::string result = run.OutLines().back();
  EXPECT_EQ(JsonField(result, "outcome"), "stopped") << result;
  EXPECT_EQ(JsonField(result, "exitCode"), "143") << result;
  EXPECT_EQ(JsonField(result, "status"), "备份已停止.") << result;
  EXPECT_FALSE(fs::exists(Work() / "stopme.bak"));

  const CliResult after =
      Run({"backup", "--database", "Sales", "--to", "after.bak", "--same-machine"});
  EXPECT_EQ(after.exitCode, 0) << after.err;
}

class CliOnAFrozenServer : public CliStopTest {
 protected:
  std::vector<std::string> ServerArguments() override { return {"--freeze", "backup database"}; }
};

// The server answers not even the cancel: 15 s after SIGTERM the process ends without
// the run, says so, and leaves the rest to the next run.
TEST_F(CliOnAFrozenServer, ARunThatCannotStopIsLeftBehindInBoundedTime) {
  CliProcess cli(
      Command({"backup", "--database", "Sales", "--to", "frozen.bak", "--same-machine", "--json"}),
      environment, "", Work());
  ASSERT_TRUE(WaitUntilSent("backup database"));
  Clock::duration took{};
  const CliResult run = SignalAndWait(cli, SIGTERM, took);
  EXPECT_EQ(run.exitCode, 143) << run.out;
  EXPECT_LT(took, 40s);
  const std::vector<std::string> lines = run.OutLines();
  ASSERT_GE(lines.size(), 2u) << run.out;
  EXPECT_TRUE(
      JsonField(lines[lines.size() - 2], "text").starts_with("the run did not stop in time"))
      << run.out;
  EXPECT_EQ(JsonField(lines.back(), "outcome"), "stopped");
  EXPECT_EQ(JsonField(lines.back(), "exitCode"), "143");

  EXPECT_EQ(Run({"list-databases"}).exitCode, 0);
}

}  // namespace
}  // namespace harrowlander::testing
