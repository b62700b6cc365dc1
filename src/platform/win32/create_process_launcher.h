#pragma once

#include "ports/process_launcher.h"

namespace harrowlander::win32 {

// CreateProcess with a console of the program's own, then a wait without a time limit.
// The command line goes to the program as given, without its name in front.
class CreateProcessLauncher : public ProcessLauncher {
 public:
  std::optional<int> StartAndWait(const std::string& applicationPath,
                                  const std::string& commandLine) override;
};

}  // namespace harrowlander::win32
