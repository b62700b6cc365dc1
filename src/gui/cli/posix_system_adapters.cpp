#include "gui/cli/cli_run.h"
#include "gui/cli/system_adapters.h"
#include "platform/odbc/odbc_connection_factory.h"
#include "platform/posix/freetds_client_utility.h"
#include "platform/posix/iconv_text_codec.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_system_info.h"
#include "platform/posix/spawn_process_launcher.h"
#include "platform/posix/sql_browser_client.h"
#include "platform/smb/smb_client.h"
#include "platform/smb/smb_network_session.h"
#include "platform/smb/unc_file_system.h"

namespace harrowlander::cli {
namespace {

// The adapter of every port on Linux, as the window uses them; the server search asks
// the address given instead of the whole local network.
struct PosixAdapters {
  explicit PosixAdapters(const Options& options)
      : files(localFiles, smbClient, ReconnectWindow(options)),
        browser(options.address.value_or(
            std::string(posix::SqlBrowserClient::kLocalNetworkBroadcast))) {}

  posix::PosixSystemInfo system;
  posix::PosixFileSystem localFiles;
  smb::SmbClient smbClient;
  smb::UncFileSystem files;
  smb::SmbNetworkSession network{smbClient};
  posix::IconvTextCodec codec;
  odbc::OdbcConnectionFactory sql;
  posix::SqlBrowserClient browser;
  posix::SpawnProcessLauncher launcher;
  posix::FreeTdsClientUtility clientUtility;
  SystemPorts ports{system, files, codec, sql, browser, launcher, clientUtility, network};
};

}  // namespace

int RunOnThisSystem(const Options& options, Console& console, SignalStop& stop,
                    LockedReporter& reporter) {
  PosixAdapters adapters(options);
  return RunCommand(options, adapters.ports, console, stop, reporter);
}

}  // namespace harrowlander::cli
