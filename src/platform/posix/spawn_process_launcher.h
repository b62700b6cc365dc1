#pragma once

#include "ports/process_launcher.h"

namespace harrowlander::posix {

// posix_spawn and waitpid. The command line is split into arguments by the Windows
// rules, so that a program sees the same arguments it would see there; its first
// argument (its own name) is the application path.
class SpawnProcessLauncher : public ProcessLauncher {
 public:
  // A program ended by a signal answers 128 plus the signal's number, as a shell does.
  std::optional<int> StartAndWait(const std::string& applicationPath,
                                  const std::string& commandLine) override;
};

}  // namespace harrowlander::posix
