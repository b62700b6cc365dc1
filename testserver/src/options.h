// The command line of testserver.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "net/sockets.h"
#include "server/faults.h"
#include "server/product.h"
#include "server/shell_settings.h"
#include "tds/prelogin.h"
#include "tds/protocol_version.h"

namespace testserver {

struct Options {
  Endpoint listen{"127.0.0.1", 1433};
  std::optional<Endpoint> browser;
  std::string stateDir;
  std::string serverName = "TESTSRV";
  std::string instance = "MSSQLSERVER";
  std::string saPassword;
  std::string userLogin;  // the login without sysadmin rights; empty: none
  std::string userPassword;
  std::string logFile;
  std::string sambaConf;
  bool seed = false;
  bool seedArchive = false;         // also the database Archive, with two data files
  std::optional<int> ansiCodePage;  // literals without N go through this code page
  Product product = Product::k2000;
  bool xpCmdShell = true;  // off: xp_cmdshell is switched off (2019 only)
  ShellSettings shell;
  std::vector<std::pair<std::string, std::string>> shares;  // shared before the start
  std::vector<std::string> damaged;  // databases damaged before the start (--damage)
  tds::TdsVersion tdsVersion = tds::TdsVersion::k74;
  tds::ServerEncryption encryption = tds::ServerEncryption::kNotSupported;
  std::string tlsCiphers;  // empty: OpenSSL's defaults
  Faults faults;
};

extern const char* const kUsage;

// nullopt after printing the problem (or the help) to `err`; `exitCode` says how to end.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& message,
                                    int& exitCode);

}  // namespace testserver
