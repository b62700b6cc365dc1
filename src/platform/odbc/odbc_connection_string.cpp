#include "platform/odbc/odbc_connection_string.h"

#include <map>

#include "platform/odbc/ole_db_connection_string.h"
#include "ports/com_error.h"

namespace harrowlander::odbc {
namespace {

std::string Lookup(const std::map<std::string, std::string>& properties,
                   std::initializer_list<const char*> keys) {
  std::string value;
  for (const char* key : keys) {
    if (auto it = properties.find(key); it != properties.end()) {
      value = it->second;
    }
  }
  return value;
}

// Braces keep ";" and blanks inside a value. The driver ends a braced value at the
// first "};" and takes no escape for it, so such a value cannot be passed at all.
std::string OdbcValue(std::string_view what, const std::string& value) {
  if (value.find("};") != std::string::npos) {
    throw ComError(hresult::kFail, "The " + std::string(what) +
                                       " contains \"};\", which the SQL Server driver cannot "
                                       "accept.");
  }
  const bool plain = value.find_first_of(";{}=") == std::string::npos &&
                     (value.empty() || (value.front() != ' ' && value.back() != ' '));
  return plain ? value : "{" + value + "}";
}

}  // namespace

std::string BuildOdbcConnectionString(std::string_view oleDbConnectionString,
                                      std::string_view driver, DataSource& target) {
  const auto properties = ParseOleDbConnectionString(oleDbConnectionString);
  target = ParseDataSource(Lookup(properties, {"data source", "server", "address", "addr"}));
  std::string text =
      "DRIVER={" + std::string(driver) + "};SERVER=" + OdbcValue("server name", target.server);
  if (target.port) {
    text += ";PORT=" + std::to_string(*target.port);
  }
  text += ";UID=" + OdbcValue("user name", Lookup(properties, {"user id", "uid"}));
  text += ";PWD=" + OdbcValue("password", Lookup(properties, {"password", "pwd"}));
  const std::string catalog = Lookup(properties, {"initial catalog", "database"});
  if (!catalog.empty()) {
    text += ";DATABASE=" + OdbcValue("database name", catalog);
  }
  return text + ";TDS_Version=7.4;ClientCharset=UTF-8";
}

}  // namespace harrowlander::odbc
