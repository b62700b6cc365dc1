#include "sql/connection_string.h"

#include "ports/com_error.h"

namespace harrowlander::sql {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

std::string QuoteConnectionValue(std::string_view value) {
  // A value that begins with "=" would be read as the rest of an "==" escape.
  const bool plain = value.find_first_of(";\"'") == std::string_view::npos &&
                     (value.empty() ||
                      (!IsBlank(value.front()) && !IsBlank(value.back()) && value.front() != '='));
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
  for (std::string_view value : {std::string_view(login.server), std::string_view(login.user),
                                 std::string_view(login.password), catalog}) {
    if (value.find('\0') != std::string_view::npos) {
      throw ComError(hresult::kFail,
                     "The server name, login name, password or database name holds a NUL "
                     "character, which a connection string cannot carry.");
    }
  }
  return "Provider=SQLOLEDB.1;Password=" + QuoteConnectionValue(login.password) +
         ";Persist Security Info=True;User ID=" + QuoteConnectionValue(login.user) +
         ";Initial Catalog=" + QuoteConnectionValue(catalog) +
         ";Data Source=" + QuoteConnectionValue(login.server);
}

}  // namespace harrowlander::sql
