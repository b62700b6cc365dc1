#include "transfer/transfer_folder_files.h"

#include <memory>

#include "res/ascii_case.h"
#include "res/format_text.h"
#include "sql/server_connection.h"
#include "sql/sql_escape.h"

namespace harrowlander {
namespace {

bool EndsWithIgnoringCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         EqualsIgnoringAsciiCase(text.substr(text.size() - end.size()), end);
}

}  // namespace

std::vector<std::string> ListFolderFiles(SqlConnection& connection, const std::string& folder) {
  std::unique_ptr<SqlRecordset> rows = sql::ExecuteForRows(
      connection, FormatText("exec master.dbo.xp_dirtree %s,1,1", {sql::Literal(folder)}));
  std::vector<std::string> files;
  for (; !rows->IsEof(); rows->MoveNext()) {
    const SqlValue name = rows->Collect("subdirectory");
    const SqlValue isFile = rows->Collect("file");
    if (!name.isNull && !name.text.empty() && isFile.text == "1") {
      files.push_back(name.text);
    }
  }
  rows->Close();
  return files;
}

bool HasOurNaming(const std::string& name) {
  if (EqualsIgnoringAsciiCase(name, "Harrowlander.transfer") ||
      (EndsWithIgnoringCase(name, ".bak") && name.size() > 4)) {
    return true;
  }
  if (name.size() > 1 && name.front() == '.' && EndsWithIgnoringCase(name, ".part") &&
      ContainsIgnoringAsciiCase(name, ".bak.")) {
    return true;
  }
  return ContainsIgnoringAsciiCase(name, ".bak.~");
}

}  // namespace harrowlander
