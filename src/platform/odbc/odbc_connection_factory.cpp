#include "platform/odbc/odbc_connection_factory.h"

#include "platform/odbc/installed_drivers.h"
#include "platform/odbc/odbc_connection.h"
#include "platform/odbc/odbc_recordset.h"
#include "platform/odbc/server_drivers.h"

namespace harrowlander::odbc {

OdbcConnectionFactory::OdbcConnectionFactory() : m_drivers(std::make_shared<ServerDrivers>()) {
  SQLHANDLE handle = SQL_NULL_HANDLE;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle))) {
    return;
  }
  auto environment = std::make_shared<OdbcHandle>(SQL_HANDLE_ENV, handle);
  if (Succeeded(SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION,
                              reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
    m_environment = std::move(environment);
  }
}

std::unique_ptr<SqlConnection> OdbcConnectionFactory::CreateConnection() {
  if (!m_environment) {
    return nullptr;
  }
  return std::make_unique<OdbcConnection>(m_environment, Installed(), m_drivers);
}

std::unique_ptr<SqlRecordset> OdbcConnectionFactory::CreateRecordset() {
  return std::make_unique<OdbcRecordset>();
}

std::optional<OdbcDriver> OdbcConnectionFactory::Driver() const {
  return ChooseDriver(Installed());
}

std::vector<std::string> OdbcConnectionFactory::Installed() const {
#ifdef _WIN32
  return m_environment ? InstalledDrivers(*m_environment) : std::vector<std::string>{};
#else
  return {"FreeTDS"};
#endif
}

}  // namespace harrowlander::odbc
