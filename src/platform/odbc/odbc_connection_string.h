#pragma once

#include <string>
#include <string_view>

#include "platform/odbc/data_source.h"

namespace harrowlander::odbc {

// The driver's connection string for the core's OLE DB one: server, port, login and
// catalog carried over, TDS 7.4 and UTF-8 pinned for FreeTDS. `target` receives where
// the Data Source points. Throws ComError for a value the driver cannot be given.
std::string BuildOdbcConnectionString(std::string_view oleDbConnectionString,
                                      std::string_view driver, DataSource& target);

}  // namespace harrowlander::odbc
