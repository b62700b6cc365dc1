#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/buffered_rows.h"
#include "platform/odbc/odbc_diagnostics.h"
#include "platform/odbc/odbc_driver.h"
#include "platform/odbc/odbc_handle.h"
#include "ports/sql_connection.h"

namespace harrowlander::odbc {

// A connection through the ODBC driver manager with the wide-character calls, in
// autocommit and without bound parameters. Failures are thrown as ComError carrying
// the server's own message text; when the server sent none, a description of what
// failed (login timeout, server unreachable, connection lost, query timeout).
class OdbcConnection : public SqlConnection {
 public:
  // Without a driver, Open fails with a description of the drivers that would do.
  OdbcConnection(std::shared_ptr<OdbcHandle> environment, std::optional<OdbcDriver> driver);
  ~OdbcConnection() override;

  void SetConnectionTimeout(int seconds) override;
  void SetCommandTimeout(int seconds) override;
  void Open(const std::string& connectionString) override;
  std::unique_ptr<SqlRecordset> Execute(const std::string& commandText) override;
  void Close() override;

  // Runs one batch to its end: the rows of its first result set are kept, every
  // further result and message is read and dropped. SQL_NO_DATA counts as success.
  BufferedRows Run(const std::string& text);

 private:
  void RequireUsable() const;
  [[noreturn]] void FailConnecting(std::vector<DiagRecord> records);
  [[noreturn]] void FailRunning(const OdbcHandle& statement);
  void CaptureRows(const OdbcHandle& statement, BufferedRows& rows);

  std::shared_ptr<OdbcHandle> m_environment;
  std::optional<OdbcDriver> m_driver;
  OdbcHandle m_connection;
  std::string m_server;  // as the Data Source named it, for messages
  int m_connectionTimeout = 15;
  int m_commandTimeout = 30;
  bool m_open = false;
  bool m_dead = false;
};

}  // namespace harrowlander::odbc
