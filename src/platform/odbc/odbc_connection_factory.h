#pragma once

#include <memory>
#include <optional>

#include "platform/odbc/odbc_driver.h"
#include "ports/sql_connection.h"

namespace harrowlander::odbc {

// Declared only, so that this header does not bring the system's ODBC headers (and on
// Windows, windows.h with its macros) into the code that assembles the adapters.
class OdbcHandle;
class ServerDrivers;

// Connections through the driver manager. On Windows they use the preferred SQL Server
// driver among those installed, looked up for every connection so that a driver
// installed while the tool runs is taken, unless a server refused it for its version
// earlier in the run; with unixODBC, the driver registered as "FreeTDS".
class OdbcConnectionFactory : public SqlConnectionFactory {
 public:
  OdbcConnectionFactory();

  // Nothing when the driver manager cannot give an environment.
  std::unique_ptr<SqlConnection> CreateConnection() override;
  std::unique_ptr<SqlRecordset> CreateRecordset() override;

  // The driver a connection uses first, unless the server refused it before; nothing
  // when none is installed.
  std::optional<OdbcDriver> Driver() const;

 private:
  std::vector<std::string> Installed() const;

  std::shared_ptr<OdbcHandle> m_environment;
  std::shared_ptr<ServerDrivers> m_drivers;
};

}  // namespace harrowlander::odbc
