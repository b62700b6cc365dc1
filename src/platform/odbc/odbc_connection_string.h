#pragma once

#include <string>
#include <string_view>

#include "platform/odbc/data_source.h"
#include "platform/odbc/odbc_driver.h"

namespace harrowlander::odbc {

// The driver's connection string for the core's OLE DB one: server, port, login and
// catalog carried over in the driver's dialect, then the driver's extra keywords.
// `target` receives where the Data Source points. Throws ComError for a value the
// driver cannot be given.
std::string BuildOdbcConnectionString(std::string_view oleDbConnectionString,
                                      const OdbcDriver& driver, DataSource& target);

// Where the core's OLE DB connection string points. Throws ComError as ParseDataSource.
DataSource DataSourceOf(std::string_view oleDbConnectionString);

}  // namespace harrowlander::odbc
