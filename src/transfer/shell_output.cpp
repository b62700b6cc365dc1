#include "transfer/shell_output.h"

#include <memory>

#include "res/ascii_case.h"
#include "sql/server_connection.h"

namespace harrowlander {

std::vector<std::string> ShellOutput(SqlConnection& connection, const std::string& statement) {
  std::unique_ptr<SqlRecordset> rows = sql::ExecuteForRows(connection, statement);
  std::vector<std::string> lines;
  for (; !rows->IsEof(); rows->MoveNext()) {
    SqlValue line = rows->Collect("output");
    if (!line.isNull && !line.text.empty()) {
      lines.push_back(std::move(line.text));
    }
  }
  rows->Close();
  return lines;
}

bool MentionsIgnoringCase(const std::vector<std::string>& lines, const std::string& name) {
  for (const std::string& line : lines) {
    if (ContainsIgnoringAsciiCase(line, name)) {
      return true;
    }
  }
  return false;
}

std::string JoinedOutput(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += (text.empty() ? "" : " ") + line;
  }
  return text.empty() ? "(no output)" : text;
}

}  // namespace harrowlander
