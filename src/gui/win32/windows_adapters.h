#pragma once

#include <iostream>

#include "gui/win32/win32_dialog_window.h"
#include "platform/odbc/odbc_connection_factory.h"
#include "platform/win32/code_page_text_codec.h"
#include "platform/win32/create_process_launcher.h"
#include "platform/win32/net_server_enum_browser.h"
#include "platform/win32/net_use_network_session.h"
#include "platform/win32/sql_client_utility.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_system_info.h"
#include "ports/platform.h"

namespace harrowlander::win32 {

// The adapter of every port on Windows, and the Platform bundle over them.
struct WindowsAdapters {
  Win32DialogWindow window;
  Win32SystemInfo system;
  Win32FileSystem files;
  CodePageTextCodec codec;
  odbc::OdbcConnectionFactory sql;
  NetServerEnumBrowser browser;
  CreateProcessLauncher launcher;
  SqlClientUtility clientUtility;
  NetUseNetworkSession network;
  Platform ports{window,    system,    files,    codec,         sql,    browser,
                 std::cout, std::cerr, launcher, clientUtility, network};
};

}  // namespace harrowlander::win32
