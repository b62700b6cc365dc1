#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace harrowlander::odbc {

// Where a Data Source value points, in the driver's terms: "(local)" and "." are this
// machine; "host\instance" is left to the driver, which asks the host's SQL Server
// Browser for the instance's port; "host,port" names the port directly; a host
// alone is the default instance, on port 1433.
struct DataSource {
  std::string server;  // "host" or "host\instance"
  std::optional<int> port;
  // The value as the user named it, for drivers that read it as the OLE DB provider
  // does ("(local)", "tcp:host,port", "host\instance,port"): trimmed, with the blanks
  // around its parts dropped.
  std::string asNamed;
};

// Throws ComError for an empty host or a port that is not a number in 1..65535.
DataSource ParseDataSource(std::string_view dataSource);

}  // namespace harrowlander::odbc
