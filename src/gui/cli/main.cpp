// harrowlander-cli: the dialog's operations driven from the command line, for
// scheduled jobs and scripts.
#include <string>
#include <vector>

#include "gui/cli/cli_run.h"
#include "gui/cli/system_adapters.h"

#ifdef _WIN32
#include "platform/win32/wide_text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(harrowlander::win32::Narrow(argv[i]));
  }
#else
int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
  using namespace harrowlander::cli;
  return RunProgram(arguments, SystemConsole(), [](const Options& options) {
    return RunOnThisSystem(options, SystemConsole());
  });
}
