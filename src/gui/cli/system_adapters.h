#pragma once

#include "gui/cli/cli_options.h"
#include "gui/cli/console.h"

namespace harrowlander::cli {

// Builds this system's adapters of the ports for the command and runs it on them.
int RunOnThisSystem(const Options& options, Console& console);

}  // namespace harrowlander::cli
