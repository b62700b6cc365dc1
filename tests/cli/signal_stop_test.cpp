// The command line's answer to a signal, in-process: a recording console, a scripted
// operation and short limits in place of the real 1 s, 15 s and 75 s.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

#include "cli_process.h"
#include "gui/cli/exit_status.h"
#include "gui/cli/signal_stop.h"

namespace harrowlander::cli {
namespace {

using namespace std::chrono_literals;
using testing::JsonField;

class RecordingConsole : public Console {
 public:
  void Write(Stream, std::string_view text) override {
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_holdWrites) {
      m_writeHeld = true;
      m_changed.notify_all();
      m_changed.wait(lock, [this] { return !m_holdWrites; });
    }
    m_written += text;
  }
  bool IsTerminal(Stream) override { return false; }
  std::optional<std::string> Environment(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ReadHiddenLine(std::string_view) override { return std::nullopt; }
  void AbandonHiddenPrompt() override { ++abandonedPrompts; }
  std::optional<std::string> ReadInputLine() override { return std::nullopt; }

  // From now on a write waits until the writes are let go: an output nobody reads.
  void HoldWrites() {
    const std::lock_guard<std::mutex> lock(m_lock);
    m_holdWrites = true;
  }
  void WaitUntilAWriteIsHeld() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_writeHeld; });
  }
  void LetWritesGo() {
    const std::lock_guard<std::mutex> lock(m_lock);
    m_holdWrites = false;
    m_changed.notify_all();
  }
  std::vector<std::string> Lines() {
    const std::lock_guard<std::mutex> lock(m_lock);
    std::vector<std::string> lines;
    std::istringstream in(m_written);
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line);
    }
    return lines;
  }

  std::atomic<int> abandonedPrompts = 0;

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::string m_written;
  bool m_holdWrites = false;
  bool m_writeHeld = false;
};

// The process's end, which in a test only records the status.
class ProcessEnd {
 public:
  SignalStop::EndProcess Function() {
    return [this](int status) {
      const std::lock_guard<std::mutex> lock(m_lock);
      m_status = status;
      m_changed.notify_all();
    };
  }
  std::optional<int> WaitFor(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, limit, [this] { return m_status.has_value(); });
    return m_status;
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::optional<int> m_status;
};

// An operation that answers the requests from a script, its last answer for ever after.
class ScriptedRun {
 public:
  ScriptedRun(std::vector<bool> requestAnswers, bool ending)
      : m_answers(std::move(requestAnswers)), m_ending(ending) {}

  StopTarget Target() {
    return {[this] {
              const size_t call = m_requests++;
              return m_answers[std::min(call, m_answers.size() - 1)];
            },
            [this] { return m_ending; }};
  }
  size_t Requests() const { return m_requests; }

 private:
  std::vector<bool> m_answers;
  bool m_ending;
  std::atomic<size_t> m_requests = 0;
};

const StopSignal kTerm{"SIGTERM", kExitTerminated};
const StopSignal kInt{"SIGINT", kExitInterrupted};

struct Stopper {
  explicit Stopper(StopLimits limits) : stop(console, end.Function(), limits) {
    stop.Attach(reporter, "backup");
  }
  RecordingConsole console;
  LockedReporter reporter{MakeJsonReporter(console)};
  ProcessEnd end;
  SignalStop stop;
};

template <typename Condition>
bool Eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

TEST(SignalStop, BeforeTheOperationTheProcessEndsAtOnceWithTheTerminalGivenBack) {
  Stopper s({});
  s.stop.OnSignal(kInt);
  EXPECT_EQ(s.end.WaitFor(0ms), kExitInterrupted);
  EXPECT_EQ(s.console.abandonedPrompts, 1);
  const std::vector<std::string> lines = s.console.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(JsonField(lines[0], "type"), "signal");
  EXPECT_EQ(JsonField(lines[1], "outcome"), "stopped");
  EXPECT_EQ(JsonField(lines[1], "exitCode"), "130");
}

// The first request may come before the run has begun (refused), then be taken, and
// taken again (each resends the cancel) until the run refuses it as it stops; a second
// signal breaks nothing off, and once the command has ended signals change nothing.
TEST(SignalStop, DuringTheOperationTheRequestIsRepeatedUntilTheRunRefusesIt) {
  Stopper s({.repeat = 10ms, .cleanUpBegun = 60s, .ended = 60s});
  ScriptedRun run({false, true, true, false}, true);
  s.stop.BeginOperation(run.Target());
  s.stop.OnSignal(kTerm);
  ASSERT_TRUE(Eventually([&] { return run.Requests() >= 4; }));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(run.Requests(), 4u);
  EXPECT_TRUE(s.stop.StopRequested());

  s.stop.OnSignal(kInt);
  s.stop.End();
  s.stop.OnSignal(kInt);
  EXPECT_EQ(s.end.WaitFor(0ms), std::nullopt);
  EXPECT_EQ(s.stop.StoppedExitStatus(), kExitTerminated);
  const std::vector<std::string> lines = s.console.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(JsonField(lines[0], "signal"), "SIGTERM");
  EXPECT_EQ(JsonField(lines[1], "signal"), "SIGINT");
  EXPECT_TRUE(JsonField(lines[1], "text").starts_with("the run is stopping already")) << lines[1];
}

TEST(SignalStop, ARunThatDoesNotStopInTimeIsLeftBehind) {
  {
    // Not even its clean-up begun.
    Stopper s({.repeat = 10ms, .cleanUpBegun = 200ms, .ended = 60s});
    ScriptedRun run({true}, false);
    s.reporter.Status("开始备份,请等待...");
    s.stop.BeginOperation(run.Target());
    s.stop.OnSignal(kTerm);
    EXPECT_EQ(s.end.WaitFor(10s), kExitTerminated);
    const std::vector<std::string> lines = s.console.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(JsonField(lines[2], "text").starts_with("the run did not stop in time"))
        << lines[2];
    EXPECT_EQ(JsonField(lines[3], "type"), "result");
    EXPECT_EQ(JsonField(lines[3], "exitCode"), "143");
    EXPECT_EQ(JsonField(lines[3], "outcome"), "stopped");
    EXPECT_EQ(JsonField(lines[3], "status"), "开始备份,请等待...");
  }
  {
    // Cleaning up, but for too long.
    Stopper s({.repeat = 10ms, .cleanUpBegun = 20ms, .ended = 300ms});
    ScriptedRun run({true, false}, true);
    s.stop.BeginOperation(run.Target());
    const auto signalled = std::chrono::steady_clock::now();
    s.stop.OnSignal(kInt);
    EXPECT_EQ(s.end.WaitFor(10s), kExitInterrupted);
    EXPECT_GE(std::chrono::steady_clock::now() - signalled, 300ms);
    EXPECT_EQ(JsonField(s.console.Lines().back(), "outcome"), "stopped");
  }
  {
    // The output is one that nobody reads, and the command's thread is stuck writing to
    // it: the process still ends, without its last lines.
    Stopper s({.repeat = 10ms, .cleanUpBegun = 50ms, .ended = 60s, .outputPatience = 50ms});
    ScriptedRun run({true}, false);
    s.stop.BeginOperation(run.Target());
    s.stop.OnSignal(kTerm);
    s.console.HoldWrites();
    std::thread stuck([&] { s.reporter.Status("正在停止..."); });
    s.console.WaitUntilAWriteIsHeld();
    EXPECT_EQ(s.end.WaitFor(10s), kExitTerminated);
    s.console.LetWritesGo();
    stuck.join();
    s.stop.End();
  }
}

}  // namespace
}  // namespace harrowlander::cli
