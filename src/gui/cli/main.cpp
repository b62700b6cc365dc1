// harrowlander-cli: the dialog's operations driven from the command line, for
// scheduled jobs and scripts.
#include <string>
#include <vector>

#include "gui/cli/cli_run.h"
#include "gui/cli/locked_reporter.h"
#include "gui/cli/signal_stop.h"
#include "gui/cli/stop_signals.h"
#include "gui/cli/system_adapters.h"

#ifdef _WIN32
#include "platform/win32/wide_text.h"

int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  using namespace harrowlander::cli;
  // Never destroyed: a signal may come while the process ends.
  static SignalStop* const stop = new SignalStop(SystemConsole(), EndProcessAtOnce);
  WatchStopSignals(*stop);

#ifdef _WIN32
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(harrowlander::win32::Narrow(argv[i]));
  }
#else
  const std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
  const int status = RunProgram(arguments, SystemConsole(), [](const Options& options) {
    // Before the adapters are made, so that a signal meanwhile is reported as the
    // command's (with --json, by a result line).
    LockedReporter reporter(options.json ? MakeJsonReporter(SystemConsole())
                                         : MakeTextReporter(SystemConsole()));
    stop->Attach(reporter, CommandName(options.command));
    const int commandStatus = RunOnThisSystem(options, SystemConsole(), *stop, reporter);
    stop->End();
    return commandStatus;
  });
  stop->End();
  return status;
}
