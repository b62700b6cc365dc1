#pragma once

#include <memory>
#include <string>

#include "platform/odbc/odbc_handle.h"
#include "ports/sql_connection.h"

namespace harrowlander::odbc {

// Connections through the ODBC driver registered under `driver` ("FreeTDS" with
// unixODBC on Linux).
class OdbcConnectionFactory : public SqlConnectionFactory {
 public:
  explicit OdbcConnectionFactory(std::string driver = "FreeTDS");

  // Nothing when the driver manager cannot give an environment.
  std::unique_ptr<SqlConnection> CreateConnection() override;
  std::unique_ptr<SqlRecordset> CreateRecordset() override;

 private:
  std::string m_driver;
  std::shared_ptr<OdbcHandle> m_environment;
};

}  // namespace harrowlander::odbc
