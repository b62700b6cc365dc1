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
  // has ended. Its exit code; nothing when it could not be started.
  virtual std::optional<int> StartAndWait(const std::string& applicationPath,
                                          const std::string& commandLine) = 0;
};

}  // namespace harrowlander
