#pragma once

#include <optional>
#include <string>

#include "ui/platform.h"

namespace harrowlander {

// Starts the program and waits until it has ended. 1 when it was started; 0 when it
// could not be, after telling the user so in a message box.
int RunProcessAndWait(Platform& platform, const std::string& applicationPath,
                      const std::string& commandLine);

// The same, answering the program's exit code; nothing when it could not be started.
std::optional<int> RunProcessAndWaitForExit(Platform& platform, const std::string& applicationPath,
                                            const std::string& commandLine);

}  // namespace harrowlander
