#include "sql/server_connection.h"

#include "ports/com_error.h"
#include "sql/connection_string.h"

namespace harrowlander::sql {
namespace {

template <typename T>
T& Require(const std::unique_ptr<T>& object) {
  if (!object) {
    throw ComError(hresult::kPointer,
                   "The data access object could not be created: the SQL Server client "
                   "software is missing or could not be loaded.");
  }
  return *object;
}

}  // namespace

SqlConnection& SqlObjects::Connection() {
  return Require(connection);
}

SqlRecordset& SqlObjects::Recordset() {
  return Require(recordset);
}

SqlConnection& OpenServerConnection(SqlConnectionFactory& factory, const ServerLogin& login,
                                    SqlObjects& objects, std::string_view catalog,
                                    WithRecordset withRecordset) {
  objects.connection = factory.CreateConnection();
  if (withRecordset == WithRecordset::kYes) {
    objects.recordset = factory.CreateRecordset();
  }
  const std::string connectionString = BuildConnectionString(login, catalog);
  SqlConnection& connection = objects.Connection();
  connection.SetConnectionTimeout(login.connectTimeout);
  connection.SetCommandTimeout(login.commandTimeout);
  connection.Open(connectionString);
  return connection;
}

void ExecuteStatement(SqlConnection& connection, const std::string& statement) {
  connection.Execute(statement);
}

std::unique_ptr<SqlRecordset> ExecuteForRows(SqlConnection& connection,
                                             const std::string& statement) {
  return connection.Execute(statement);
}

void OpenStaticQuery(SqlRecordset& recordset, SqlConnection& connection, const std::string& sql) {
  recordset.Open(sql, connection);
}

std::string ReadColumnText(SqlRecordset& recordset, const std::string& column) {
  SqlValue value = recordset.Collect(column);
  if (value.isNull) {
    throw ComError(hresult::kTypeMismatch,
                   "Column " + column + " holds NULL, which cannot be read as text.");
  }
  return std::move(value.text);
}

void CloseServerConnection(SqlObjects& objects) {
  objects.Connection().Close();
  objects.recordset.reset();
  objects.connection.reset();
}

}  // namespace harrowlander::sql
