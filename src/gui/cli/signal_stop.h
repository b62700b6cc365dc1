#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "gui/cli/console.h"
#include "gui/cli/locked_reporter.h"

namespace harrowlander::cli {

// A request from outside the program to end: a signal, or on Windows a console event.
struct StopSignal {
  std::string name;  // "SIGTERM", "Ctrl+C", ...
  int exitStatus;    // kExitInterrupted or kExitTerminated
};

// The operation that a signal stops. Both are called from another thread than the one
// that runs the operation.
struct StopTarget {
  std::function<bool()> requestStop;  // true when the run took the request
  std::function<bool()> runIsEnding;  // no run, or it is taking down what it set up
};

// How long a stop may take, from the first signal. The whole stays well below the 90 s
// after which systemd kills a service that it asked to stop.
struct StopLimits {
  std::chrono::milliseconds repeat{1000};         // the request again, its cancel resent
  std::chrono::milliseconds cleanUpBegun{15000};  // the run takes down what it set up
  std::chrono::milliseconds ended{75000};         // the run has ended
  // For the last lines when the process ends without the run: the output may be one
  // that nobody reads any more.
  std::chrono::milliseconds outputPatience{2000};
};

// What the command line does when it is asked from outside to end, by how far its
// command has come:
// - before the operation begins nothing was done, and the process ends at once;
// - while the operation runs, it is asked to stop (again each second until it has taken
//   the request) and ends through its clean-up, and the exit status is the signal's. A
//   run that has not begun its clean-up `cleanUpBegun` after the first signal, or has
//   not ended `ended` after it, is left behind: the process ends without it;
// - once the operation has returned, signals are ignored.
// Signals arrive on threads of their own. Attach, BeginOperation, StopRequested and End
// are the command's, on its thread.
class SignalStop {
 public:
  // Ends the process with the status; never returns but in tests.
  using EndProcess = std::function<void(int status)>;

  SignalStop(Console& console, EndProcess endProcess, StopLimits limits = {});
  ~SignalStop();
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;

  void OnSignal(const StopSignal& signal);
  // Waits at most `limit` for the command to end; false when it has not.
  bool WaitUntilEnded(std::chrono::milliseconds limit);
  // Ends the process without waiting for the run any longer, saying `why` it did not
  // stop in time (the console is closing); nothing when the command has ended already.
  void EndProcessNow(const std::string& why);

  // The command's reporter, through which every line about a signal goes from now on.
  void Attach(LockedReporter& reporter, std::string command);
  // The command is about to reach the server; `target` is what a signal stops.
  void BeginOperation(StopTarget target);
  // A signal came during the operation: a command of several steps begins no more.
  bool StopRequested();
  // The exit status of a run that a signal stopped: the signal's.
  int StoppedExitStatus();
  // The operation has returned, or none began: signals are ignored from now on.
  void End();

 private:
  enum class Phase { kPreparing, kOperating, kEnded, kEndingProcess };
  using Clock = std::chrono::steady_clock;

  void Watch();
  void Say(const StopSignal& signal, const std::string& text);
  // The last lines, within the reporter's patience, then the end of the process.
  void EndProcessLocked(const std::string& text, int status);

  Console& m_console;
  const EndProcess m_endProcess;
  const StopLimits m_limits;
  std::mutex m_lock;
  std::condition_variable m_changed;
  Phase m_phase = Phase::kPreparing;
  LockedReporter* m_reporter = nullptr;
  std::string m_command;
  StopTarget m_target;
  Clock::time_point m_operationStart;
  std::optional<StopSignal> m_first;
  Clock::time_point m_firstAt;
  std::thread m_watcher;    // from the first signal during the operation
  std::thread m_lastLines;  // writes them as the process ends without the run
};

// Ends the process at once with the status: nothing more runs, not even destructors.
void EndProcessAtOnce(int status);

}  // namespace harrowlander::cli
