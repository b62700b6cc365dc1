#include "platform/win32/windows_api.h"

#include <chrono>

#include "gui/cli/exit_status.h"
#include "gui/cli/stop_signals.h"

namespace harrowlander::cli {
namespace {

SignalStop* g_stop = nullptr;

// The system ends the process once the handler of a closing console returns, and about
// 5 s after the event whatever the handler does; the run's clean-up gets that long, less
// a margin for the last lines.
constexpr std::chrono::milliseconds kClosingGrace{4300};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      g_stop->OnSignal({"Ctrl+C", kExitInterrupted});
      return TRUE;
    case CTRL_BREAK_EVENT:
      g_stop->OnSignal({"Ctrl+Break", kExitTerminated});
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: {
      const char* name = event == CTRL_CLOSE_EVENT    ? "console closed"
                         : event == CTRL_LOGOFF_EVENT ? "log-off"
                                                      : "shut-down";
      g_stop->OnSignal({name, kExitTerminated});
      if (g_stop->WaitUntilEnded(kClosingGrace)) {
        // The command writes its result and ends the process with its own status
        // meanwhile; returning would let the system end it first.
        ::Sleep(static_cast<DWORD>(kClosingGrace.count()));
      } else {
        g_stop->EndProcessNow("the system ends the process once its console has closed");
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

void WatchStopSignals(SignalStop& stop) {
  g_stop = &stop;
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace harrowlander::cli
