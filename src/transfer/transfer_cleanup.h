#pragma once

#include <string>

#include "ports/network_session.h"
#include "sql/server_connection.h"
#include "transfer/server_transfer.h"

namespace harrowlander {

// The one clean-up path of a Backup or Restore run. Whichever way the run ends, it
// takes down what the run set up, in reverse order and only as far as the transfer's
// flags say that this run did it.
class TransferCleanup {
 public:
  // `factory` and `login` open a new connection for the clean-up when the run's own
  // connection is the thing that failed.
  TransferCleanup(ServerTransfer& transfer, sql::SqlObjects& objects, NetworkSession& network,
                  const std::string& netServer, SqlConnectionFactory& factory,
                  const sql::ServerLogin& login);
  ~TransferCleanup();
  TransferCleanup(const TransferCleanup&) = delete;
  TransferCleanup& operator=(const TransferCleanup&) = delete;

  // The end of a run that reached an end of its own, with its result or on an early
  // return: the share, then the folder, then the connection closed. A SQL failure on
  // the way is thrown like any step's, and the rest is then taken down as after one.
  int Finish(int result);

 private:
  ServerTransfer& m_transfer;
  sql::SqlObjects& m_objects;
  NetworkSession& m_network;
  const std::string& m_netServer;
  SqlConnectionFactory& m_factory;
  sql::ServerLogin m_login;
  bool m_finished = false;
};

}  // namespace harrowlander
