#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ports/sql_connection.h"
#include "sql/server_login.h"

namespace harrowlander::sql {

inline constexpr std::string_view kMasterCatalog = "master";

// The data-access objects of one handler or operation. Either may be empty when it
// could not be created; using an empty one raises E_POINTER. When the holder goes
// away, the connection is released first, then the recordset.
struct SqlObjects {
  std::unique_ptr<SqlRecordset> recordset;
  std::unique_ptr<SqlConnection> connection;

  SqlConnection& Connection();
  SqlRecordset& Recordset();
};

enum class WithRecordset { kNo, kYes };

// Creates the connection (and the recordset, right after it, for the users that read
// rows), sets the connection and command timeouts of the login and opens the
// connection on `catalog` with it. Throws ComError.
SqlConnection& OpenServerConnection(SqlConnectionFactory& factory, const ServerLogin& login,
                                    SqlObjects& objects, std::string_view catalog,
                                    WithRecordset withRecordset);

// Runs one statement whose rows are not wanted: they are released unread.
void ExecuteStatement(SqlConnection& connection, const std::string& statement);
// Runs one statement, sent exactly as ExecuteStatement sends it, and keeps its rows.
std::unique_ptr<SqlRecordset> ExecuteForRows(SqlConnection& connection,
                                             const std::string& statement);

// Opens a static, read-only text query on the caller's recordset.
void OpenStaticQuery(SqlRecordset& recordset, SqlConnection& connection, const std::string& sql);

// The current row's column as text; a NULL value cannot be converted and raises.
std::string ReadColumnText(SqlRecordset& recordset, const std::string& column);

// The closing order on success: connection Close, then the recordset released, then
// the connection. A query still open on the recordset is closed by its user first.
void CloseServerConnection(SqlObjects& objects);

}  // namespace harrowlander::sql
