#pragma once

#include <optional>
#include <string>

namespace harrowlander {

// Starts outside programs.
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;

  // Starts the program at the path (not searched for) with the command line, which
  // does not begin with the program's name, and waits without a time limit until it
  // has ended. False when it could not be started; its exit code is not looked at.
  virtual bool StartAndWait(const std::string& applicationPath, const std::string& commandLine) = 0;

  // The same, answering the program's exit code; nothing when it could not be started.
  // Adapters that cannot read exit codes keep this, which answers 0 for every start.
  virtual std::optional<int> StartAndWaitForExit(const std::string& applicationPath,
                                                 const std::string& commandLine) {
    if (!StartAndWait(applicationPath, commandLine)) {
      return std::nullopt;
    }
    return 0;
  }
};

}  // namespace harrowlander
