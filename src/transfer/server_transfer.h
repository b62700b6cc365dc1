#pragma once

#include <string>

#include "ports/network_session.h"
#include "ports/sql_connection.h"
#include "sql/server_connection.h"

namespace harrowlander {

// What one Backup or Restore run has set up on a server that is another machine: a
// transfer folder on the server's drive C:, shared under a hidden name, and this
// workstation's log-on to that share. Each flag is set right after its statement or
// call succeeded and says what this run has to take down again, in reverse order.
struct ServerTransfer {
  std::string strShare = "BKSQLData$";
  std::string strFolder = "c:\\BKSQLData$";
  bool bFolderMade = false;
  bool bShareMade = false;
  bool bLoggedOn = false;

  // The transfer file, named after the database: as the server sees it, and as this
  // workstation reaches it through the share of netServer.
  std::string ServerFilePath(const std::string& database) const;
  std::string NetworkFilePath(const std::string& netServer, const std::string& database) const;
  // "\\netServer\share"
  std::string SharePath(const std::string& netServer) const;

  // The server's shell reports its failures only in output rows, which nobody reads: a
  // folder or share that already exists, or cannot be made, raises nothing here.
  void CreateServerFolder(SqlConnection& connection);
  void CreateServerShare(SqlConnection& connection);
  // Logs on to the share with the Windows account; false when refused.
  bool OpenShareSession(NetworkSession& network, const std::string& netServer,
                        const std::string& user, const std::string& password);
  void CloseShareSession(NetworkSession& network, const std::string& netServer);
  void RemoveServerShare(SqlConnection& connection);
  // Deletes every file in the folder, then the folder.
  void RemoveServerFolder(SqlConnection& connection);

  // The end of a run: share, then folder, each only when this run made it.
  void RemoveServerResources(SqlConnection& connection);
  // The end of a run that caught a SQL failure: the log-on, share and folder, as far as
  // the flags say and the connection object exists. A failure on the way (the
  // connection itself may be dead) is swallowed, so the first failure is the one
  // reported.
  void CleanUpAfterError(NetworkSession& network, const std::string& netServer,
                         sql::SqlObjects& objects) noexcept;
};

}  // namespace harrowlander
