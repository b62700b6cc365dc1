#include "sql/database_list.h"

namespace harrowlander::sql {

std::string DatabaseListQuery(bool withSystemDatabases) {
  // Two blanks after the table name in both forms: the start ends with one and each
  // further piece begins with one.
  std::string query = "select name from dbo.sysdatabases ";
  if (!withSystemDatabases) {
    query += " where name not in ('master','model','msdb','northwind','pubs','tempdb')";
  }
  return query + " order by name";
}

}  // namespace harrowlander::sql
