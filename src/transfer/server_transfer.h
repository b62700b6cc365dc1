#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ports/network_session.h"
#include "ports/sql_connection.h"
#include "sql/server_connection.h"

namespace harrowlander {

// What one Backup or Restore run has set up on a server that is another machine: a
// transfer folder on the server's drive C:, shared under a hidden name, the files in
// it, and this workstation's log-on to that share. Each flag is set right after its
// step succeeded and says what this run has to take down again, in reverse order;
// what was there before the run is never this run's to remove, unless an earlier run
// of this tool left it there (the folder's marker file says so) and this run holds the
// server's transfer lock, so that no other run is using it.
struct ServerTransfer {
  std::string strShare = "BKSQLData$";
  std::string strFolder = "c:\\BKSQLData$";
  bool bFolderMade = false;  // the folder is this run's to remove: made now, or marked
  bool bShareMade = false;   // the share is this run's to remove
  bool bLoggedOn = false;
  bool bMarkerMade = false;  // the folder's marker file is this run's to delete
  bool bLockHeld = false;    // the server's transfer lock, on the run's connection
  // The files this run may have put into the folder, as the server sees them: the
  // transfer file (also while the server is still writing it), a copy's leftover.
  std::vector<std::string> strFiles;

  // The transfer file, named after the database: as the server sees it, and as this
  // workstation reaches it through the share of netServer.
  std::string ServerFilePath(const std::string& database) const;
  std::string NetworkFilePath(const std::string& netServer, const std::string& database) const;
  // "\\netServer\share"
  std::string SharePath(const std::string& netServer) const;
  // The server's view of a file the workstation reaches through the share: nothing
  // when the path is not in the share.
  std::string ServerViewOf(const std::string& networkPath) const;
  // The marker file that says an earlier run of this tool made the folder.
  std::string MarkerPath() const;

  enum class Folder { kMade, kThere, kRefused };
  // The folder statement: the folder made now, already there, or refused; `said` gets
  // what the server's shell said (when it refused, as it said it).
  Folder CreateServerFolder(SqlConnection& connection, std::string& said);
  // The folder is this run's from now on (it made it, or found its marker); the marker
  // is written when it is not there yet.
  void AdoptFolder(SqlConnection& connection, bool markerThere);
  // The share statement. Empty when the share was made; otherwise what the server's
  // shell said (the name already shared, perhaps for another folder; access denied).
  std::string CreateServerShare(SqlConnection& connection);
  // The folder the share of this name points at, as `net share` tells it; empty when
  // there is no such share or its answer names no folder.
  std::string SharedFolder(SqlConnection& connection);
  // The file is about to be, or has been, put into the folder by this run.
  void MarkFileMade(const std::string& serverPath);
  // Logs on to the share with the Windows account; false when refused.
  bool OpenShareSession(NetworkSession& network, const std::string& netServer,
                        const std::string& user, const std::string& password);
  void CloseShareSession(NetworkSession& network, const std::string& netServer);
  void RemoveServerShare(SqlConnection& connection);
  // Deletes one file of the folder by its name (server view).
  void DeleteServerFile(SqlConnection& connection, const std::string& serverPath);
  // Deletes this run's files by their names, then the marker and the folder when they
  // are this run's (rmdir takes only an empty folder).
  void RemoveServerFolder(SqlConnection& connection);

  // The end of a run: share, then files and folder, each only when this run made it.
  void RemoveServerResources(SqlConnection& connection);
  // Takes down share, files and folder as far as it can, swallowing failures; true
  // when nothing of them is left.
  bool TakeDownOn(SqlConnection& connection) noexcept;
  bool AnythingToTakeDown() const;
};

}  // namespace harrowlander
