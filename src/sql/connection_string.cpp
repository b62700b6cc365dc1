#include "sql/connection_string.h"

namespace harrowlander::sql {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

std::string QuoteConnectionValue(std::string_view value) {
  const bool plain = value.find_first_of(";\"'") == std::string_view::npos &&
                     (value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back())));
  if (plain) {
    return std::string(value);
  }
  std::string quoted = "\"";
  for (char c : value) {
    quoted += c;
    if (c == '"') {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string BuildConnectionString(const ServerLogin& login, std::string_view catalog) {
  return "Provider=SQLOLEDB.1;Password=" + QuoteConnectionValue(login.password) +
         ";Persist Security Info=True;User ID=" + QuoteConnectionValue(login.user) +
         ";Initial Catalog=" + QuoteConnectionValue(catalog) +
         ";Data Source=" + QuoteConnectionValue(login.server);
}

}  // namespace harrowlander::sql
