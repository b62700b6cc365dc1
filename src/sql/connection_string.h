#pragma once

#include <string>
#include <string_view>

#include "sql/server_login.h"

// How the login travels to the driver. The core speaks the OLE DB provider's
// connection string: BuildConnectionString writes six Key=Value pairs and quotes a
// value only where the OLE DB rules would otherwise read it differently from what the
// user typed (QuoteConnectionValue). Every SqlConnection adapter takes that string as
// the contract. The ODBC adapter reads it back with the same rules
// (odbc::ParseOleDbConnectionString), resolves the Data Source to a host and port
// (odbc::ParseDataSource: "(local)", "host\instance" through the SQL Server Browser,
// "host,port") and writes the chosen driver's own string (odbc::BuildOdbcConnectionString):
// values in braces for the Microsoft drivers, "}" doubled; FreeTDS refuses a value it
// cannot be given. No value can add a keyword on either leg.
namespace harrowlander::sql {

// The connection string for the login's server and SQL login, opening `catalog`:
// six Key=Value pairs joined by ";". Throws ComError for a value holding a NUL, which
// would cut the string short.
std::string BuildConnectionString(const ServerLogin& login, std::string_view catalog);

// One value as it stands in a connection string: unchanged when it has no ";", no
// quote character, no blank at either end and does not begin with "=", else in double
// quotes with every inner double quote doubled.
std::string QuoteConnectionValue(std::string_view value);

}  // namespace harrowlander::sql
