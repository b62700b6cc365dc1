#pragma once

#include <memory>
#include <optional>

#include "platform/odbc/odbc_driver.h"
#include "ports/sql_connection.h"

namespace harrowlander::odbc {

// Declared only, so that this header does not bring the system's ODBC headers (and on
// Windows, windows.h with its macros) into the code that assembles the adapters.
class OdbcHandle;

// Connections through the driver manager. On Windows they use the preferred SQL Server
// driver among those installed, looked up for every connection so that a driver
// installed while the tool runs is taken; with unixODBC, the driver registered as
// "FreeTDS".
class OdbcConnectionFactory : public SqlConnectionFactory {
 public:
  OdbcConnectionFactory();

  // Nothing when the driver manager cannot give an environment.
  std::unique_ptr<SqlConnection> CreateConnection() override;
  std::unique_ptr<SqlRecordset> CreateRecordset() override;

  // The driver the next connection uses; nothing when none is installed.
  std::optional<OdbcDriver> Driver() const;

 private:
  std::shared_ptr<OdbcHandle> m_environment;
};

}  // namespace harrowlander::odbc
