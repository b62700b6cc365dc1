#pragma once

#include <string>

#include "ports/platform.h"

namespace harrowlander {

// Starts the program and waits until it has ended. 1 when it was started; 0 when it
// could not be, after telling the user so in a message box. When given, `exitCode`
// receives the program's exit code; `environment` adds to the program's environment.
int RunProcessAndWait(Platform& platform, const std::string& applicationPath,
                      const std::string& commandLine, int* exitCode = nullptr,
                      const ExtraEnvironment& environment = {});

}  // namespace harrowlander
