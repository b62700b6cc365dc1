#include <memory>
#include <string>
#include <vector>

#include "ops/operation_run.h"
#include "ports/com_error.h"
#include "res/format_text.h"
#include "run/run_stopped.h"
#include "sql/server_connection.h"
#include "sql/shell_path.h"
#include "sql/sql_escape.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

namespace {

// The paths of every file of the database (data and log), as the server records them.
std::vector<std::string> ReadDatabaseFiles(SqlConnection& connection, const std::string& database) {
  std::unique_ptr<SqlRecordset> rows = ExecuteForRows(
      connection, FormatText("select filename from master.dbo.sysaltfiles where dbid=db_id(%s)",
                             {Literal(database)}));
  std::vector<std::string> files;
  for (; !rows->IsEof(); rows->MoveNext()) {
    std::string file = ReadColumnText(*rows, "filename");
    file.erase(file.find_last_not_of(' ') + 1);  // the column is fixed width
    if (!file.empty()) {
      files.push_back(std::move(file));
    }
  }
  rows->Close();
  return files;
}

}  // namespace

int CHarrowlanderDlg::DeleteDatabase() {
  OperationRun run(*this);

  // 1. Confirm; No is the default button. Only an explicit Yes goes on: a box that was
  // dismissed (Esc, the title bar's close) answers No.
  if (m_platform.window.MessageBox(
          FormatText("是否删除服务器[%s]上的数据库[%s]?", {m_strServer, m_strDatabase}), "确认删除",
          mb::kYesNo | mb::kIconQuestion | mb::kDefButton2) != kIdYes) {
    return run.NothingDone();
  }

  // 2.
  SqlObjects ado;
  try {
    // 3.
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kYes);

    // 4. The primary file for the message, and every file of the database for the
    // deletion: other files beside them that share a base name are not the database's.
    std::string primaryFile;
    {
      std::unique_ptr<SqlRecordset> rows = ExecuteForRows(
          connection, FormatText("select filename from dbo.sysdatabases where name=%s",
                                 {Literal(m_strDatabase)}));
      if (!rows->IsEof()) {
        primaryFile = ReadColumnText(*rows, "filename");
      }
      rows->Close();
    }
    const std::vector<std::string> files = ReadDatabaseFiles(connection, m_strDatabase);
    for (const std::string& file : files) {
      if (!IsShellSafePath(file)) {
        SetStatus(FormatText(
            "数据库[%s]的文件[%s]含有双引号、百分号、星号、问号或换行,无法安全地交给命令行删除;"
            "数据库未删除.",
            {m_strDatabase, file}));
        CloseServerConnection(ado);
        return run.Failed(kStopped);
      }
    }

    // 5-6.
    SetStatus(FormatText("开始删除数据库[%s],请等待...", {m_strDatabase}));
    ExecuteStatement(connection, FormatText("drop database [%s] ", {EscapeName(m_strDatabase)}));
    // The database is gone: its files go with it, whatever is asked from now on.
    run.Stop().BeginCleanUp();

    // 7. Shown before the files go.
    SetStatus(FormatText("已经删除数据库[%s]%s.", {m_strDatabase, primaryFile}));

    // 8. The shell's refusal comes back only as output rows, which nobody reads.
    for (const std::string& file : files) {
      ExecuteStatement(connection, "xp_cmdshell " + Literal("del \"" + file + "\""));
    }

    // 9.
    CloseServerConnection(ado);
    return run.Done();
  } catch (const RunStopped&) {
    return run.Stopped(FormatText("删除数据库[%s]已停止,数据库未删除.", {m_strDatabase}));
  } catch (const ComError& error) {
    return run.Failed(error);
  } catch (const std::exception& error) {
    return run.Failed(error);
  }
}

}  // namespace harrowlander
