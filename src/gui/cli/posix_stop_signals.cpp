#include <pthread.h>
#include <signal.h>

#include <cstring>
#include <thread>

#include "gui/cli/exit_status.h"
#include "gui/cli/stop_signals.h"

namespace harrowlander::cli {
namespace {

bool StartedIgnored(int signal) {
  struct sigaction action = {};
  return ::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
}

StopSignal SignalOf(int signal) {
  switch (signal) {
    case SIGINT:
      return {"SIGINT", kExitInterrupted};
    case SIGHUP:
      return {"SIGHUP", kExitTerminated};
    default:
      return {"SIGTERM", kExitTerminated};
  }
}

}  // namespace

void WatchStopSignals(SignalStop& stop) {
  sigset_t taken;
  sigemptyset(&taken);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // Blocked, an ignored signal would still be queued for sigwait on Linux.
    if (!StartedIgnored(signal)) {
      sigaddset(&taken, signal);
    }
  }
  // Threads started later (the data access library's, the watcher's) inherit the mask.
  ::pthread_sigmask(SIG_BLOCK, &taken, nullptr);
  std::thread([taken, &stop] {
    for (;;) {
      int signal = 0;
      if (::sigwait(&taken, &signal) == 0) {
        stop.OnSignal(SignalOf(signal));
      }
    }
  }).detach();
}

}  // namespace harrowlander::cli
