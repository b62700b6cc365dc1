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

// Braces keep ";" and blanks inside a value. The Microsoft drivers read "}}" inside
// braces as one "}". FreeTDS ends a braced value at the first "};" and takes no escape
// for it, so such a value cannot be passed to it at all.
std::string OdbcValue(DriverKind kind, std::string_view what, const std::string& value) {
  const bool plain = value.find_first_of(";{}=") == std::string::npos &&
                     (value.empty() || (value.front() != ' ' && value.back() != ' '));
  if (plain) {
    return value;
  }
  if (kind == DriverKind::kMicrosoft) {
    std::string braced = "{";
    for (char c : value) {
      braced += c == '}' ? "}}" : std::string(1, c);
    }
    return braced + "}";
  }
  if (value.find("};") != std::string::npos) {
    throw ComError(hresult::kFail, "The " + std::string(what) +
                                       " contains \"};\", which the SQL Server driver cannot "
                                       "accept.");
  }
  return "{" + value + "}";
}

}  // namespace

DataSource DataSourceOf(std::string_view oleDbConnectionString) {
  return ParseDataSource(Lookup(ParseOleDbConnectionString(oleDbConnectionString),
                                {"data source", "server", "address", "addr"}));
}

std::string BuildOdbcConnectionString(std::string_view oleDbConnectionString,
                                      const OdbcDriver& driver, DataSource& target) {
  const auto properties = ParseOleDbConnectionString(oleDbConnectionString);
  target = DataSourceOf(oleDbConnectionString);
  const DriverKind kind = driver.kind;
  std::string text = "DRIVER={" + driver.name + "};SERVER=";
  if (kind == DriverKind::kMicrosoft) {
    text += OdbcValue(kind, "server name", target.asNamed);
  } else {
    text += OdbcValue(kind, "server name", target.server);
    if (target.port) {
      text += ";PORT=" + std::to_string(*target.port);
    }
  }
  text += ";UID=" + OdbcValue(kind, "user name", Lookup(properties, {"user id", "uid"}));
  text += ";PWD=" + OdbcValue(kind, "password", Lookup(properties, {"password", "pwd"}));
  const std::string catalog = Lookup(properties, {"initial catalog", "database"});
  if (!catalog.empty()) {
    text += ";DATABASE=" + OdbcValue(kind, "database name", catalog);
  }
  if (!driver.extraKeywords.empty()) {
    text += ";" + driver.extraKeywords;
  }
  return text;
}

}  // namespace harrowlander::odbc
