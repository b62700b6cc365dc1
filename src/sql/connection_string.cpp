#include "sql/connection_string.h"

#include "ui/harrowlander_dlg.h"

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

std::string BuildConnectionString(const CHarrowlanderDlg& dlg, std::string_view catalog) {
  return "Provider=SQLOLEDB.1;Password=" + QuoteConnectionValue(dlg.m_strSqlPassword) +
         ";Persist Security Info=True;User ID=" + QuoteConnectionValue(dlg.m_strSqlUser) +
         ";Initial Catalog=" + QuoteConnectionValue(catalog) +
         ";Data Source=" + QuoteConnectionValue(dlg.m_strServer);
}

}  // namespace harrowlander::sql
