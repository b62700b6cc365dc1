#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/buffered_rows.h"
#include "platform/odbc/data_source.h"
#include "platform/odbc/odbc_diagnostics.h"
#include "platform/odbc/odbc_driver.h"
#include "platform/odbc/odbc_handle.h"
#include "platform/odbc/server_drivers.h"
#include "ports/sql_connection.h"

namespace harrowlander::odbc {

// A connection through the ODBC driver manager with the wide-character calls, in
// autocommit and without bound parameters. Failures are thrown as ComError carrying
// the server's own message text; when the server sent none, a description of what
// failed (login timeout, server unreachable, connection lost, query timeout).
class OdbcConnection : public SqlConnection {
 public:
  // Open connects through the driver `drivers` chooses among the installed ones (by
  // their registered names) for the server named; a driver that refuses the server for
  // its version is followed once by one that reaches older servers. Without a driver,
  // Open fails with a description of the drivers that would do.
  OdbcConnection(std::shared_ptr<OdbcHandle> environment, std::vector<std::string> installedDrivers,
                 std::shared_ptr<ServerDrivers> drivers);
  ~OdbcConnection() override;

  void SetConnectionTimeout(int seconds) override;
  void SetCommandTimeout(int seconds) override;
  void Open(const std::string& connectionString) override;
  std::unique_ptr<SqlRecordset> Execute(const std::string& commandText) override;
  // The messages come with each result the driver hands over; FreeTDS's query timeout
  // is a wait for each packet of the answer, so a statement that keeps sending messages
  // is not cut off by it.
  std::unique_ptr<SqlRecordset> ExecuteReporting(const std::string& commandText,
                                                 const ServerMessageHandler& onMessage) override;
  void Close() override;
  // SQLCancel of the statement Run is in, which sends the server an attention.
  void Cancel() override;
  int ServerMajorVersion() override;

  // Runs one batch to its end: the rows of its first result set are kept, every
  // further result and message is read and dropped. SQL_NO_DATA counts as success.
  BufferedRows Run(const std::string& text, const ServerMessageHandler& onMessage = {});

 private:
  void RequireUsable() const;
  // One attempt with `driver`; on failure its diagnostic records are in `failure`.
  bool Connect(const std::string& connectionString, const OdbcDriver& driver,
               std::vector<DiagRecord>& failure);
  [[noreturn]] void FailConnecting(std::vector<DiagRecord> records);
  [[noreturn]] void FailRunning(const OdbcHandle& statement);
  void CaptureRows(const OdbcHandle& statement, BufferedRows& rows,
                   std::unique_lock<std::mutex>& lock);
  void HandOverMessages(const OdbcHandle& statement, const ServerMessageHandler& onMessage,
                        std::unique_lock<std::mutex>& lock);

  std::shared_ptr<OdbcHandle> m_environment;
  std::vector<std::string> m_installedDrivers;
  std::shared_ptr<ServerDrivers> m_drivers;
  OdbcHandle m_connection;
  std::string m_server;                     // as the Data Source named it, for messages
  std::optional<OdbcDriver> m_triedDriver;  // of the last attempt to connect
  DataSource m_target;                      // of the last attempt to connect
  int m_connectionTimeout = 15;
  int m_commandTimeout = 30;
  bool m_open = false;
  bool m_dead = false;

  // The driver takes SQLCancel from another thread only while the statement's thread
  // waits inside a call for the server; a cancel that lands between two calls of that
  // thread can corrupt the statement. So that thread holds this lock for everything it
  // does on the statement except those waits, and Cancel takes it too.
  std::mutex m_statementLock;
  SQLHSTMT m_running = SQL_NULL_HANDLE;  // the statement Run is in
};

}  // namespace harrowlander::odbc
