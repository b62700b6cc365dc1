#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace harrowlander {

// Variables a started program gets on top of this process's own environment, by name;
// a name already there takes the new value.
using ExtraEnvironment = std::vector<std::pair<std::string, std::string>>;

// Starts outside programs.
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;

  // Starts the program at the path (not searched for) with the command line, which
  // does not begin with the program's name, and waits without a time limit until it
  // has ended. Its exit code; nothing when it could not be started.
  std::optional<int> StartAndWait(const std::string& applicationPath,
                                  const std::string& commandLine,
                                  const ExtraEnvironment& environment = {}) {
    return Run(applicationPath, commandLine, environment);
  }

  // Whether other users of this machine can read the command line of a running
  // program. A program's environment is readable only by its own user everywhere.
  virtual bool CommandLinesAreVisibleToOthers() const = 0;

 protected:
  virtual std::optional<int> Run(const std::string& applicationPath, const std::string& commandLine,
                                 const ExtraEnvironment& environment) = 0;
};

}  // namespace harrowlander
