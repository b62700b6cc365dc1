#include <string>
#include <vector>

#include "ops/drop_lock.h"
#include "ops/operation_run.h"
#include "ops/table_keywords.h"
#include "ports/com_error.h"
#include "res/format_text.h"
#include "run/run_stopped.h"
#include "sql/server_connection.h"
#include "sql/sql_escape.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

namespace {

constexpr std::string_view kKeywordCaption = "无效关键字";

std::string BuildTableQuery(const std::vector<std::string>& keywords) {
  std::string query = "select name from sysobjects where (";
  query += FormatText("name like %s", {Literal(keywords.front())});
  for (size_t i = 1; i < keywords.size(); ++i) {
    query += " or name like " + Literal(keywords[i]) + " ";
  }
  return query + ") and xtype='U' order by name";
}

bool IsHeld(DialogWindow& window, int virtualKey) {
  return KeyStateHeld(window.GetKeyState(virtualKey));
}

// The first line says where the tables are: the list alone does not.
std::string ConfirmationText(const std::string& server, const std::string& database,
                             const std::vector<std::string>& tables) {
  std::string text = FormatText("服务器[%s]上的数据库[%s]:\n", {server, database});
  text += "是否删除以下数据表？\n";
  for (size_t i = 0; i < tables.size(); ++i) {
    text += (i == 0 ? "" : "\t") + tables[i];
  }
  return text;
}

}  // namespace

int CHarrowlanderDlg::DropTables() {
  OperationRun run(*this);
  DialogWindow& window = m_platform.window;

  // Without a database the connection would name no catalog and the tables would be
  // those of the login's default database.
  if (m_strDatabase.empty()) {
    return run.NothingDone();
  }

  // 1-2.
  const std::vector<std::string> keywords = SplitTableKeywords(m_platform.codec, m_strTableKeyword);
  if (keywords.empty()) {
    window.MessageBox("请输入表名关键字", std::string(kKeywordCaption),
                      mb::kOk | mb::kIconExclamation);
    return run.Failed(kStopped);
  }

  // 3.
  const std::string query = BuildTableQuery(keywords);

  // 4. The drop lock, each key read once.
  bool lockHeld = IsHeld(window, vk::kControl);
  for (int digit : kDropLockDigitKeys) {
    lockHeld = IsHeld(window, digit) && lockHeld;
  }

  // 5. Released only after the pause that follows an error report.
  SqlObjects ado;
  try {
    // 6. The one connection that opens the chosen database rather than master.
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, m_strDatabase, WithRecordset::kYes);

    // 7-9. Plain reading.
    SqlRecordset& recordset = ado.Recordset();
    OpenStaticQuery(recordset, connection, query);
    std::vector<std::string> tables;
    while (!recordset.IsEof()) {
      tables.push_back(ReadColumnText(recordset, "Name"));
      recordset.MoveNext();
    }
    recordset.Close();

    // 10-11.
    const std::string confirmation = ConfirmationText(m_strServer, m_strDatabase, tables);
    if (!tables.empty() && lockHeld &&
        window.MessageBox(confirmation, "确认删除",
                          mb::kYesNo | mb::kIconQuestion | mb::kDefButton2) == kIdYes) {
      // 12.
      for (const std::string& table : tables) {
        SetStatusControlText("删除数据表[" + table + "]...");
        ExecuteStatement(connection, FormatText("Drop Table [%s]", {EscapeName(table)}));
      }
      // 13-14.
      CloseServerConnection(ado);
      SetStatusControlText("已删除指定的数据表");
      ClearUnsavedPasswords();
      SerializeSettings(true);
      return run.Done();
    }

    // 15. Nothing dropped.
    CloseServerConnection(ado);
    if (tables.empty()) {
      window.MessageBox("根据表名关键字,找不到对应的表", std::string(kKeywordCaption),
                        mb::kOk | mb::kIconExclamation);
      return run.Failed(kStopped);
    }
    // Not confirmed: nothing was dropped.
    run.NothingDone();
    return kStopped;
  } catch (const RunStopped&) {
    return run.Stopped("删除数据表已停止.");
  } catch (const ComError& error) {
    ReportComError(error);
    m_platform.system.Sleep(500);
    ado.recordset.reset();
    ado.connection.reset();
    return run.Failed(kStopped);
  } catch (const std::exception& error) {
    return run.Failed(error);
  }
}

}  // namespace harrowlander
