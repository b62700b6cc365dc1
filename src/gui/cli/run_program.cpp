#include <algorithm>
#include <memory>

#include "gui/cli/cli_run.h"
#include "gui/cli/reporter.h"

namespace harrowlander::cli {

int RunProgram(const std::vector<std::string>& arguments, Console& console,
               const std::function<int(const Options&)>& runCommand) {
  const ParsedCommandLine parsed = ParseCommandLine(arguments);
  using Outcome = ParsedCommandLine::Outcome;
  switch (parsed.outcome) {
    case Outcome::kHelp:
    case Outcome::kVersion:
      console.Write(Stream::kOutput, parsed.text);
      return kExitDone;
    case Outcome::kRun:
      return runCommand(parsed.options);
    case Outcome::kUsageError:
    case Outcome::kRefused:
      break;
  }
  const bool json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
  const std::unique_ptr<Reporter> reporter =
      json ? MakeJsonReporter(console) : MakeTextReporter(console);
  reporter->Error(parsed.text);
  if (parsed.outcome == Outcome::kUsageError && !json) {
    console.Write(Stream::kError, "Try 'harrowlander-cli --help'.\n");
  }
  RunResult result;
  result.exitCode = kExitUsage;
  if (parsed.outcome == Outcome::kRefused) {
    result.command = CommandName(parsed.options.command);
  }
  reporter->Finished(result);
  return kExitUsage;
}

}  // namespace harrowlander::cli
