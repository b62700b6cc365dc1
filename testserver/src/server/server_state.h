// Everything the statements of all sessions share: the catalog, the path mapping, the
// shares made through xp_cmdshell, the sessions with their current databases and the
// application locks they hold. Guarded by the engine's lock.
#pragma once

#include <map>
#include <string>

#include "../sql/code_page.h"
#include "app_locks.h"
#include "catalog.h"
#include "path_map.h"
#include "product.h"
#include "shares.h"
#include "shell_settings.h"

namespace testserver {

struct SessionState {
  int spid = 0;
  std::string login;
  bool sysadmin = false;
  std::string database;
};

// A logged-in session as the others see it (sysprocesses).
struct ConnectedSession {
  std::string login;
  std::string hostName;
  std::string programName;
  std::string database;  // current
};

struct ServerState {
  ServerState(const std::filesystem::path& stateDir, Shares::Publisher publisher)
      : paths(stateDir), catalog(stateDir / "catalog", paths), shares(std::move(publisher)) {
    CreateMachineFolders();
  }

  // True when a session other than `spid` has `database` as its current database.
  bool InUseByOthers(std::string_view database, int spid) const;
  // The folders every machine running the played server has.
  void CreateMachineFolders() const;

  std::string serverName = "TESTSRV";
  Product product = Product::k2000;
  bool xpCmdShellEnabled = true;  // sp_configure 'xp_cmdshell', where the release has it
  ShellSettings shell;
  std::optional<sql::AnsiCodePage> literalPage;  // set: literals without N go through it
  PathMap paths;
  Catalog catalog;
  Shares shares;
  std::map<int, ConnectedSession> sessions;  // by spid
  AppLocks appLocks;
};

}  // namespace testserver
