#include "platform/posix/spawn_process_launcher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "tools/windows_command_line.h"

extern char** environ;

namespace harrowlander::posix {

std::optional<int> SpawnProcessLauncher::Run(const std::string& applicationPath,
                                             const std::string& commandLine,
                                             const ExtraEnvironment& environment) {
  std::vector<std::string> arguments = WindowsCommandLineArguments(commandLine);
  arguments.insert(arguments.begin(), applicationPath);
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);

  // This process's environment, with the extra variables in place of any of the same
  // name.
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view variable(*entry);
    bool replaced = false;
    for (const auto& [name, value] : environment) {
      replaced = replaced || variable.starts_with(name + "=");
    }
    if (!replaced) {
      variables.emplace_back(variable);
    }
  }
  for (const auto& [name, value] : environment) {
    variables.push_back(name + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) {
    envp.push_back(variable.data());
  }
  envp.push_back(nullptr);

  // The program starts with no signal blocked, whatever this thread has blocked (the
  // command line leaves its stop signals to a thread of their own), so that a SIGTERM
  // to the process group ends it as usual.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, applicationPath.c_str(), nullptr, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
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
