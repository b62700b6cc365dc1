#pragma once

#include "ports/process_launcher.h"

namespace harrowlander::posix {

// posix_spawn and waitpid. The command line is split into arguments by the Windows
// rules, so that a program sees the same arguments it would see there; its first
// argument (its own name) is the application path.
class SpawnProcessLauncher : public ProcessLauncher {
 public:
  // Anyone may read a process's command line in /proc.
  bool CommandLinesAreVisibleToOthers() const override { return true; }

 protected:
  // A program ended by a signal answers 128 plus the signal's number, as a shell does.
  std::optional<int> Run(const std::string& applicationPath, const std::string& commandLine,
                         const ExtraEnvironment& environment) override;
};

}  // namespace harrowlander::posix
