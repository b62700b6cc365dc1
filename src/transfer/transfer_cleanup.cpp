#include "transfer/transfer_cleanup.h"

namespace harrowlander {

TransferCleanup::TransferCleanup(ServerTransfer& transfer, sql::SqlObjects& objects,
                                 NetworkSession& network, const std::string& netServer,
                                 SqlConnectionFactory& factory, const sql::ServerLogin& login)
    : m_transfer(transfer),
      m_objects(objects),
      m_network(network),
      m_netServer(netServer),
      m_factory(factory),
      m_login(login) {}

// Any other end is a SQL failure on its way to the operation's report: the log-off,
// share and folder are taken down before it is shown, and the connection is released
// without Close.
TransferCleanup::~TransferCleanup() {
  if (!m_finished) {
    m_transfer.CleanUpAfterError(
        m_network, m_netServer, m_objects, [this](sql::SqlObjects& fresh) -> SqlConnection& {
          return sql::OpenServerConnection(m_factory, m_login, fresh, sql::kMasterCatalog,
                                           sql::WithRecordset::kNo);
        });
  }
}

int TransferCleanup::Finish(int result) {
  m_transfer.RemoveServerResources(m_objects.Connection());
  sql::CloseServerConnection(m_objects);
  m_finished = true;
  return result;
}

}  // namespace harrowlander
