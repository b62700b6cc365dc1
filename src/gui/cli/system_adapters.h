#pragma once

#include "gui/cli/cli_options.h"
#include "gui/cli/console.h"
#include "gui/cli/locked_reporter.h"
#include "gui/cli/signal_stop.h"

namespace harrowlander::cli {

// Builds this system's adapters of the ports for the command and runs it on them (see
// RunCommand).
int RunOnThisSystem(const Options& options, Console& console, SignalStop& stop,
                    LockedReporter& reporter);

}  // namespace harrowlander::cli
