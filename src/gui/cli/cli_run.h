#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gui/cli/cli_options.h"
#include "gui/cli/console.h"
#include "gui/cli/exit_status.h"
#include "gui/cli/locked_reporter.h"
#include "gui/cli/signal_stop.h"
#include "ports/client_utility.h"
#include "ports/file_system.h"
#include "ports/network_session.h"
#include "ports/process_launcher.h"
#include "ports/server_browser.h"
#include "ports/sql_connection.h"
#include "ports/system_info.h"
#include "ports/text_codec.h"

namespace harrowlander::cli {

// This system's adapters of the ports, which the console front end wraps.
struct SystemPorts {
  SystemInfo& system;
  FileSystem& files;
  TextCodec& codec;
  SqlConnectionFactory& sql;
  ServerBrowser& browser;
  ProcessLauncher& launcher;
  ClientUtility& clientUtility;
  NetworkSession& network;
};

// The whole program once its arguments are UTF-8: help, version and usage errors here,
// a command through `runCommand` (which builds the system's adapters for it).
int RunProgram(const std::vector<std::string>& arguments, Console& console,
               const std::function<int(const Options&)>& runCommand);

// Runs the command through the dialog's own operations on the adapters, reporting
// through `reporter`; a signal that `stop` takes stops it.
int RunCommand(const Options& options, SystemPorts& ports, Console& console, SignalStop& stop,
               LockedReporter& reporter);

}  // namespace harrowlander::cli
