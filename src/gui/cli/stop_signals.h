#pragma once

#include "gui/cli/signal_stop.h"

namespace harrowlander::cli {

// Hands each request of the system to end this process to `stop`, on a thread other
// than the command's: SIGINT, SIGTERM and SIGHUP on Linux (those that the process was
// not started with ignored, as nohup and a shell's background jobs start it); Ctrl+C,
// Ctrl+Break and the console's closing, log-off and shut-down on Windows. Called first
// thing in main, before any other thread starts, so that every thread leaves these
// signals to the one that takes them.
void WatchStopSignals(SignalStop& stop);

}  // namespace harrowlander::cli
