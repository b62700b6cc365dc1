#pragma once

#include <iostream>

#include "gui/wx/wx_dialog_window.h"
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
#include "ports/platform.h"

namespace harrowlander::wx {

// The adapter of every port on Linux, and the Platform bundle over them.
struct LinuxAdapters {
  WxDialogWindow window;
  posix::PosixSystemInfo system;
  posix::PosixFileSystem localFiles;
  smb::SmbClient smbClient;
  smb::UncFileSystem files{localFiles, smbClient};
  smb::SmbNetworkSession network{smbClient};
  posix::IconvTextCodec codec;
  odbc::OdbcConnectionFactory sql;
  posix::SqlBrowserClient browser;
  posix::SpawnProcessLauncher launcher;
  posix::FreeTdsClientUtility clientUtility;
  Platform ports{window,    system,    files,    codec,         sql,    browser,
                 std::cout, std::cerr, launcher, clientUtility, network};
};

}  // namespace harrowlander::wx
