#include "gui/cli/cli_run.h"
#include "gui/cli/system_adapters.h"
#include "platform/odbc/odbc_connection_factory.h"
#include "platform/win32/code_page_text_codec.h"
#include "platform/win32/create_process_launcher.h"
#include "platform/win32/net_server_enum_browser.h"
#include "platform/win32/net_use_network_session.h"
#include "platform/win32/sql_client_utility.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_system_info.h"

namespace harrowlander::cli {
namespace {

// The adapter of every port on Windows, as the window uses them.
struct WindowsAdapters {
  explicit WindowsAdapters(const Options& options) : files(ReconnectWindow(options)) {}

  win32::Win32SystemInfo system;
  win32::Win32FileSystem files;
  win32::CodePageTextCodec codec;
  odbc::OdbcConnectionFactory sql;
  win32::NetServerEnumBrowser browser;
  win32::CreateProcessLauncher launcher;
  win32::SqlClientUtility clientUtility;
  win32::NetUseNetworkSession network;
  SystemPorts ports{system, files, codec, sql, browser, launcher, clientUtility, network};
};

}  // namespace

int RunOnThisSystem(const Options& options, Console& console, SignalStop& stop,
                    LockedReporter& reporter) {
  if (options.address) {
    console.Write(Stream::kError,
                  "harrowlander-cli: --address: Windows lists the servers its network "
                  "browser knows and asks no address\n");
    return 2;
  }
  WindowsAdapters adapters(options);
  return RunCommand(options, adapters.ports, console, stop, reporter);
}

}  // namespace harrowlander::cli
