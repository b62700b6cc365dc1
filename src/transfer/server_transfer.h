#pragma once

#include <functional>
#include <string>

#include "ports/network_session.h"
#include "ports/sql_connection.h"
#include "sql/server_connection.h"

namespace harrowlander {

// What one Backup or Restore run has set up on a server that is another machine: a
// transfer folder on the server's drive C:, shared under a hidden name, the transfer
// file in it, and this workstation's log-on to that share. Each flag is set right
// after its step succeeded and says what this run has to take down again, in reverse
// order; what was there before the run is never this run's to remove.
struct ServerTransfer {
  std::string strShare = "BKSQLData$";
  std::string strFolder = "c:\\BKSQLData$";
  bool bFolderMade = false;
  bool bShareMade = false;
  bool bLoggedOn = false;
  bool bFileMade = false;
  std::string strFile;  // the transfer file this run put into the folder

  // The transfer file, named after the database: as the server sees it, and as this
  // workstation reaches it through the share of netServer.
  std::string ServerFilePath(const std::string& database) const;
  std::string NetworkFilePath(const std::string& netServer, const std::string& database) const;
  // "\\netServer\share"
  std::string SharePath(const std::string& netServer) const;

  // The folder statement. Empty when the folder is there: made now, or there before
  // (then it is not this run's to remove). Otherwise what the server's shell said when
  // it refused, as it said it.
  std::string CreateServerFolder(SqlConnection& connection);
  // The share statement. Empty when the share was made; otherwise what the server's
  // shell said (the name already shared, perhaps for another folder; access denied),
  // and nothing of the share is this run's.
  std::string CreateServerShare(SqlConnection& connection);
  // The transfer file of the database is about to be, or has been, put into the folder
  // by this run.
  void MarkFileMade(const std::string& database);
  // Logs on to the share with the Windows account; false when refused.
  bool OpenShareSession(NetworkSession& network, const std::string& netServer,
                        const std::string& user, const std::string& password);
  void CloseShareSession(NetworkSession& network, const std::string& netServer);
  void RemoveServerShare(SqlConnection& connection);
  // Deletes this run's transfer file by its name, then the folder when this run made
  // it (rmdir takes only an empty folder).
  void RemoveServerFolder(SqlConnection& connection);

  // The end of a run: share, then file and folder, each only when this run made it.
  void RemoveServerResources(SqlConnection& connection);
  // Opens a new connection to the server on the given objects; throws ComError.
  using Reconnect = std::function<SqlConnection&(sql::SqlObjects&)>;
  // The end of a run that caught a failure: the log-on, share, file and folder, as far
  // as the flags say. A failure on the way is swallowed, so the first failure is the
  // one reported. What the run's connection could not take down (it may be the
  // connection that failed: a server that stopped answering, a dropped link) is tried
  // once more over a new one from `reconnect`.
  void CleanUpAfterError(NetworkSession& network, const std::string& netServer,
                         sql::SqlObjects& objects, const Reconnect& reconnect = {}) noexcept;

 private:
  // Takes down share, file and folder as far as it can; true when nothing is left.
  bool TakeDownOn(SqlConnection& connection) noexcept;
};

}  // namespace harrowlander
