#include "ops/operation_run.h"
#include "ports/com_error.h"
#include "res/format_text.h"
#include "run/run_stopped.h"
#include "sql/server_connection.h"
#include "sql/sql_escape.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

int CHarrowlanderDlg::ShrinkDatabase() {
  OperationRun run(*this);
  SqlObjects ado;
  try {
    // 1.
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kNo);

    // 2. Empty the log first when asked.
    if (m_bTruncateLogBeforeShrink != 0) {
      SetStatus(FormatText("清空[%s]日志...", {m_strDatabase}));
      ExecuteStatement(connection,
                       FormatText("backup log [%s] with no_log", {EscapeName(m_strDatabase)}));
    }

    // 3-4.
    SetStatus(FormatText("收缩数据库[%s]空闲空间至[%d%%]...", {m_strDatabase, m_nShrinkPercent}));
    ExecuteStatement(connection, FormatText("DBCC SHRINKDATABASE ([%s],%d)",
                                            {EscapeName(m_strDatabase), m_nShrinkPercent}));

    // 5.
    SetStatus(FormatText("已经收缩数据库[%s].", {m_strDatabase}));

    // 6-7.
    CloseServerConnection(ado);
    return run.Done();
  } catch (const RunStopped&) {
    return run.Stopped(FormatText("收缩数据库[%s]已停止.", {m_strDatabase}));
  } catch (const ComError& error) {
    return run.Failed(error);
  } catch (const std::exception& error) {
    return run.Failed(error);
  }
}

}  // namespace harrowlander
