#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ports/platform.h"
#include "run/stop_request.h"
#include "sql/server_connection.h"
#include "sql/server_login.h"
#include "transfer/server_transfer.h"

namespace harrowlander {

// The whole life of one transfer through the server's folder and share, for Backup and
// Restore alike: the server's transfer lock, the folder (made now, or taken over from
// an earlier run of this tool that left it), the share, the log-on, and the one
// clean-up path, which takes down what the run set up however the run ends: at its
// own end (Finish), or on the way out of a failure or a stop (the destructor).
class TransferSession {
 public:
  using ShowStatus = std::function<void(const std::string&)>;

  // The run's connection is `objects`' (opened after this is made); `login` opens
  // another for the clean-up when that one is what failed.
  TransferSession(ServerTransfer& transfer, sql::SqlObjects& objects, Platform& platform,
                  StopRequest& stop, const sql::ServerLogin& login, std::string netServer,
                  ShowStatus showStatus);
  ~TransferSession();
  TransferSession(const TransferSession&) = delete;
  TransferSession& operator=(const TransferSession&) = delete;

  // Takes the server's transfer lock (waiting while another run holds it, up to the
  // command timeout), then makes the folder or takes over this tool's own from an
  // earlier run, clearing what that run left. `transferFile` is the file this run will
  // put there (server view). Empty when the folder is ready; otherwise the status text
  // that ends the run (nothing of anybody else's is touched).
  std::string PrepareFolder(const std::string& transferFile);
  // The same for a run that puts several files there, one after another.
  std::string PrepareFolder(const std::vector<std::string>& transferFiles);
  // Shares the folder (takes over this tool's own share of it) and logs on with the
  // account (none for an empty user). Empty, or the status text that ends the run.
  std::string PrepareShare(const std::string& user, const std::string& password);
  // A file this run is about to put, or has put, into the folder (server view).
  void NoteFile(const std::string& serverPath);
  // A file a copy left in the share (network path): deleted by the server.
  void NoteLeftover(const std::string& networkPath);
  // Drops the log-on, once the copy is over.
  void LogOff();
  // The end of a run that reached an end of its own, with its result or on an early
  // return: log-off, share, files, folder, lock, then the connection closed. A SQL
  // failure on the way is thrown like any step's, and the rest is then taken down as
  // after one.
  int Finish(int result);

 private:
  // The clean-up after a failure or a stop.
  void CleanUpAfterError() noexcept;
  void CleanUpOverNewConnection() noexcept;

  ServerTransfer& m_transfer;
  sql::SqlObjects& m_objects;
  Platform& m_platform;
  StopRequest& m_stop;
  sql::ServerLogin m_login;
  std::string m_netServer;
  ShowStatus m_showStatus;
  bool m_finished = false;
};

}  // namespace harrowlander
