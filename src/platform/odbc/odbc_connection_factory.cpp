#include "platform/odbc/odbc_connection_factory.h"

#include "platform/odbc/odbc_connection.h"
#include "platform/odbc/odbc_recordset.h"

namespace harrowlander::odbc {

OdbcConnectionFactory::OdbcConnectionFactory(std::string driver) : m_driver(std::move(driver)) {
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
  return std::make_unique<OdbcConnection>(m_environment, m_driver);
}

std::unique_ptr<SqlRecordset> OdbcConnectionFactory::CreateRecordset() {
  return std::make_unique<OdbcRecordset>();
}

}  // namespace harrowlander::odbc
