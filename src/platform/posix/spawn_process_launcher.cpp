#include "platform/posix/spawn_process_launcher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <vector>

#include "tools/windows_command_line.h"

extern char** environ;

namespace harrowlander::posix {

std::optional<int> SpawnProcessLauncher::StartAndWait(const std::string& applicationPath,
                                                      const std::string& commandLine) {
  std::vector<std::string> arguments = WindowsCommandLineArguments(commandLine);
  arguments.insert(arguments.begin(), applicationPath);
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (posix_spawn(&pid, applicationPath.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return std::nullopt;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) {
    return 128 + WTERMSIG(status);
  }
  return WEXITSTATUS(status);
}

}  // namespace harrowlander::posix
