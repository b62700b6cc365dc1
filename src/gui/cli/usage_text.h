#pragma once

#include <string>

#include "gui/cli/cli_options.h"

namespace harrowlander::cli {

// The whole --help text.
std::string UsageText();
// The help of one command (harrowlander-cli backup --help).
std::string CommandUsage(Command command);
// "harrowlander-cli 1.43".
std::string VersionText();

}  // namespace harrowlander::cli
