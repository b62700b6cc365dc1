#pragma once

#include "ports/process_launcher.h"

namespace harrowlander::win32 {

// CreateProcess with a console of the program's own, then a wait without a time limit.
// The command line goes to the program as given, without its name in front.
class CreateProcessLauncher : public ProcessLauncher {
 public:
  // Only administrators can read another user's command lines.
  bool CommandLinesAreVisibleToOthers() const override { return false; }

 protected:
  std::optional<int> Run(const std::string& applicationPath, const std::string& commandLine,
                         const ExtraEnvironment& environment) override;
};

}  // namespace harrowlander::win32
