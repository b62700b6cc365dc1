#include "gui/cli/signal_stop.h"

#include <algorithm>
#include <cstdlib>

#include "gui/cli/exit_status.h"

namespace harrowlander::cli {
namespace {

std::string Seconds(std::chrono::milliseconds duration) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(duration).count()) + " s";
}

// What becomes of a run that the process ends without: the server drops the transfer
// lock with the connection, and the next run recognises what this one left.
constexpr const char* kLeftBehind =
    "; what it left on the server is cleared by the next run (the server frees the transfer "
    "lock when the connection ends, and the next run recognises the leftovers)";

}  // namespace

void EndProcessAtOnce(int status) {
  std::_Exit(status);
}

SignalStop::SignalStop(Console& console, EndProcess endProcess, StopLimits limits)
    : m_console(console), m_endProcess(std::move(endProcess)), m_limits(limits) {}

SignalStop::~SignalStop() {
  End();
}

void SignalStop::OnSignal(const StopSignal& signal) {
  std::unique_lock<std::mutex> lock(m_lock);
  switch (m_phase) {
    case Phase::kPreparing:
      // Under the lock to the end: the command cannot begin its operation meanwhile.
      m_first = signal;
      m_console.AbandonHiddenPrompt();
      EndProcessLocked("stopped before anything was sent to the server; nothing was done",
                       signal.exitStatus);
      return;
    case Phase::kOperating:
      if (!m_first) {
        m_first = signal;
        m_firstAt = Clock::now();
        m_watcher = std::thread(&SignalStop::Watch, this);
        lock.unlock();
        Say(signal, "stopping the run; it first takes down what it set up on the server");
      } else {
        lock.unlock();
        Say(signal,
            "the run is stopping already; it ends once it has taken down what it set up, "
            "which is not broken off");
      }
      return;
    case Phase::kEnded:
    case Phase::kEndingProcess:
      return;
  }
}

bool SignalStop::WaitUntilEnded(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(m_lock);
  return m_changed.wait_for(lock, limit, [this] { return m_phase == Phase::kEnded; });
}

void SignalStop::EndProcessNow(const std::string& why) {
  std::unique_lock<std::mutex> lock(m_lock);
  if (m_phase == Phase::kOperating) {
    EndProcessLocked("the run did not stop in time: " + why + kLeftBehind,
                     m_first ? m_first->exitStatus : kExitTerminated);
  }
}

void SignalStop::Attach(LockedReporter& reporter, std::string command) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter = &reporter;
  m_command = std::move(command);
}

void SignalStop::BeginOperation(StopTarget target) {
  const std::lock_guard<std::mutex> lock(m_lock);
  if (m_phase == Phase::kPreparing) {
    m_phase = Phase::kOperating;
    m_target = std::move(target);
    m_operationStart = Clock::now();
  }
}

bool SignalStop::StopRequested() {
  const std::lock_guard<std::mutex> lock(m_lock);
  return m_first.has_value();
}

int SignalStop::StoppedExitStatus() {
  const std::lock_guard<std::mutex> lock(m_lock);
  return m_first ? m_first->exitStatus : kExitFailed;
}

void SignalStop::End() {
  std::thread watcher;
  std::thread lastLines;
  {
    const std::lock_guard<std::mutex> lock(m_lock);
    if (m_phase == Phase::kPreparing || m_phase == Phase::kOperating) {
      m_phase = Phase::kEnded;
    }
    watcher = std::move(m_watcher);
    lastLines = std::move(m_lastLines);
  }
  m_changed.notify_all();
  for (std::thread* thread : {&watcher, &lastLines}) {
    if (thread->joinable()) {
      thread->join();
    }
  }
}

// The watcher's thread, from the first signal during the operation until it returns.
// The target is called without the lock, and End waits for this thread before the
// operation's objects go.
void SignalStop::Watch() {
  std::unique_lock<std::mutex> lock(m_lock);
  const Clock::time_point cleanUpDue = m_firstAt + m_limits.cleanUpBegun;
  const Clock::time_point endDue = m_firstAt + m_limits.ended;
  bool ask = true;
  bool taken = false;
  bool cleanUpChecked = false;
  while (m_phase == Phase::kOperating) {
    if (ask) {
      lock.unlock();
      const bool took = m_target.requestStop();
      lock.lock();
      // Again while the run takes it (each request resends the cancel), and while no
      // run has taken it yet (the next one may not have begun); not once it is refused.
      taken = taken || took;
      ask = took || !taken;
      if (m_phase != Phase::kOperating) {
        break;
      }
    }
    const Clock::time_point now = Clock::now();
    if (!cleanUpChecked && now >= cleanUpDue) {
      lock.unlock();
      const bool ending = m_target.runIsEnding();
      lock.lock();
      cleanUpChecked = true;
      if (m_phase != Phase::kOperating) {
        break;
      }
      if (!ending) {
        EndProcessLocked(
            "the run did not stop in time: it had not begun to take down what it "
            "set up " +
                Seconds(m_limits.cleanUpBegun) + " after " + m_first->name + kLeftBehind,
            m_first->exitStatus);
        return;
      }
    }
    if (now >= endDue) {
      EndProcessLocked("the run did not stop in time: it had not ended " + Seconds(m_limits.ended) +
                           " after " + m_first->name + kLeftBehind,
                       m_first->exitStatus);
      return;
    }
    Clock::time_point wake = std::min(now + m_limits.repeat, endDue);
    if (!cleanUpChecked) {
      wake = std::min(wake, cleanUpDue);
    }
    m_changed.wait_until(lock, wake);
  }
}

void SignalStop::Say(const StopSignal& signal, const std::string& text) {
  if (m_reporter != nullptr) {
    m_reporter->Signal(signal.name, text);
  }
}

void SignalStop::EndProcessLocked(const std::string& text, int status) {
  m_phase = Phase::kEndingProcess;
  const std::string name = m_first ? m_first->name : std::string();
  RunResult result;
  result.command = m_command;
  result.exitCode = status;
  result.outcome = "stopped";
  result.reason = name + ": " + text;
  if (m_operationStart != Clock::time_point()) {
    result.seconds = std::chrono::duration<double>(Clock::now() - m_operationStart).count();
  }
  // On a thread of their own, waited for only so long: a write to an output that nobody
  // reads would hold the process for ever.
  std::promise<void> said;
  std::future<void> saying = said.get_future();
  m_lastLines = std::thread([this, name, text, result, said = std::move(said)]() mutable {
    if (m_reporter == nullptr) {
      m_console.Write(Stream::kError, "harrowlander-cli: " + name + ": " + text + "\n");
    } else {
      m_reporter->Report([&](Reporter& reporter, const std::string& lastStatus) {
        reporter.Signal(name, text);
        result.status = lastStatus;
        reporter.Finished(result);
      });
    }
    said.set_value();
  });
  saying.wait_for(m_limits.outputPatience);
  m_endProcess(status);
}

}  // namespace harrowlander::cli
