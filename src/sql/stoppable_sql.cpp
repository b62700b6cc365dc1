#include "sql/stoppable_sql.h"

#include "ports/com_error.h"
#include "run/run_stopped.h"

namespace harrowlander::sql {
namespace {

// Runs `work` (a statement or a query on `connection`) so that a stop request cancels it.
template <typename Work>
auto RunStoppable(StopRequest& stop, SqlConnection& connection, Work work) -> decltype(work()) {
  StopHereIfRequested(stop);
  const StopRequest::Registration cancel = stop.OnRequest([&connection] { connection.Cancel(); });
  // A request between the check above and the registration found nothing to cancel.
  StopHereIfRequested(stop);
  try {
    auto result = work();
    StopHereIfRequested(stop);
    return result;
  } catch (const ComError&) {
    // A cancelled statement fails; the request, not the failure, is what happened.
    StopHereIfRequested(stop);
    throw;
  }
}

class StoppableConnection : public SqlConnection {
 public:
  StoppableConnection(std::unique_ptr<SqlConnection> connection, StopRequest& stop)
      : m_connection(std::move(connection)), m_stop(stop) {}

  void SetConnectionTimeout(int seconds) override { m_connection->SetConnectionTimeout(seconds); }
  void SetCommandTimeout(int seconds) override { m_connection->SetCommandTimeout(seconds); }
  void Open(const std::string& connectionString) override {
    StopHereIfRequested(m_stop);
    m_connection->Open(connectionString);
  }
  std::unique_ptr<SqlRecordset> Execute(const std::string& commandText) override {
    return RunStoppable(m_stop, *m_connection, [&] { return m_connection->Execute(commandText); });
  }
  std::unique_ptr<SqlRecordset> ExecuteReporting(const std::string& commandText,
                                                 const ServerMessageHandler& onMessage) override {
    return RunStoppable(m_stop, *m_connection,
                        [&] { return m_connection->ExecuteReporting(commandText, onMessage); });
  }
  void Close() override { m_connection->Close(); }
  void Cancel() override { m_connection->Cancel(); }
  int ServerMajorVersion() override { return m_connection->ServerMajorVersion(); }

  SqlConnection& Inner() { return *m_connection; }

 private:
  std::unique_ptr<SqlConnection> m_connection;
  StopRequest& m_stop;
};

class StoppableRecordset : public SqlRecordset {
 public:
  StoppableRecordset(std::unique_ptr<SqlRecordset> recordset, StopRequest& stop)
      : m_recordset(std::move(recordset)), m_stop(stop) {}

  // The query runs on the connection the data layer made: the recordset of a layer
  // takes only a connection of the same layer.
  void Open(const std::string& source, SqlConnection& activeConnection) override {
    auto* stoppable = dynamic_cast<StoppableConnection*>(&activeConnection);
    SqlConnection& connection = stoppable != nullptr ? stoppable->Inner() : activeConnection;
    RunStoppable(m_stop, connection, [&] {
      m_recordset->Open(source, connection);
      return true;
    });
  }
  long RecordCount() override { return m_recordset->RecordCount(); }
  void MoveFirst() override { m_recordset->MoveFirst(); }
  void MoveNext() override { m_recordset->MoveNext(); }
  bool IsEof() override { return m_recordset->IsEof(); }
  SqlValue Collect(const std::string& column) override { return m_recordset->Collect(column); }
  void Close() override { m_recordset->Close(); }

 private:
  std::unique_ptr<SqlRecordset> m_recordset;
  StopRequest& m_stop;
};

}  // namespace

std::unique_ptr<SqlConnection> StoppableSqlFactory::CreateConnection() {
  std::unique_ptr<SqlConnection> connection = m_factory.CreateConnection();
  if (!connection) {
    return nullptr;  // reported at its first use
  }
  return std::make_unique<StoppableConnection>(std::move(connection), m_stop);
}

std::unique_ptr<SqlRecordset> StoppableSqlFactory::CreateRecordset() {
  std::unique_ptr<SqlRecordset> recordset = m_factory.CreateRecordset();
  if (!recordset) {
    return nullptr;
  }
  return std::make_unique<StoppableRecordset>(std::move(recordset), m_stop);
}

}  // namespace harrowlander::sql
