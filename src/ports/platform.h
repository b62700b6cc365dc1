#pragma once

#include <ostream>

#include "ports/client_utility.h"
#include "ports/dialog_window.h"
#include "ports/file_system.h"
#include "ports/network_session.h"
#include "ports/process_launcher.h"
#include "ports/server_browser.h"
#include "ports/sql_connection.h"
#include "ports/system_info.h"
#include "ports/text_codec.h"

namespace harrowlander {

// The ports the dialog and its operations reach the outside world through. The
// front end owns the adapters; the dialog only borrows them.
struct Platform {
  DialogWindow& window;
  SystemInfo& system;
  FileSystem& files;
  TextCodec& codec;
  SqlConnectionFactory& sql;
  ServerBrowser& browser;
  // The process's standard output and error: diagnostics that a windowed program
  // does not show.
  std::ostream& standardOutput;
  std::ostream& standardError;
  ProcessLauncher& launcher;
  ClientUtility& clientUtility;
  // Log-ons to the server's transfer share. Front ends without network access may
  // leave it out.
  NetworkSession& network = NoNetworkSession();
};

}  // namespace harrowlander
