#include <string>

#include "ops/operation_run.h"
#include "ports/com_error.h"
#include "res/format_text.h"
#include "res/resource_ids.h"
#include "run/run_stopped.h"
#include "sql/database_list.h"
#include "sql/server_connection.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

void CHarrowlanderDlg::OnDropdownDatabase() {
  // A drop-down queued before the run disabled the box would take the run's fields.
  if (m_running) {
    return;
  }
  OperationRun run(*this);
  DialogWindow& window = m_platform.window;

  // 1. Fields from the controls; a failed validation ends the handler.
  if (!UpdateData(true)) {
    return;
  }
  // 2-3. One reading of Ctrl decides whether the system and sample databases show.
  const bool showSystemDatabases = KeyStateHeld(window.GetKeyState(vk::kControl));

  // 4.
  SetStatus(FormatText("查找服务器[%s]...", {m_strServer}));

  // 5-6. Resetting the list also empties the edit text, which comes back at the end.
  const std::string typedText = window.GetControlText(res::IDC_DATABASE);
  window.ResetComboContent(res::IDC_DATABASE);

  // 7.
  try {
    SqlObjects ado;

    // 8.
    const std::string query = DatabaseListQuery(showSystemDatabases);

    // 9-10.
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kYes);
    SqlRecordset& recordset = ado.Recordset();
    OpenStaticQuery(recordset, connection, query);

    // 11. Counted reading.
    if (recordset.RecordCount() > 0) {
      recordset.MoveFirst();
      while (!recordset.IsEof()) {
        window.AddComboString(res::IDC_DATABASE, ReadColumnText(recordset, "name"));
        recordset.MoveNext();
      }
    }

    // 12.
    recordset.Close();
    CloseServerConnection(ado);

    // 13. The exchange selects the first name that begins with the field; the text
    // typed before the list opened then stands in the edit part again.
    SetStatus("完成查找.");
    window.SetControlText(res::IDC_DATABASE, typedText);
    run.Done();
  } catch (const RunStopped&) {
    run.Stopped("查找已停止.");
  } catch (const ComError& error) {
    ReportComError(error);
  } catch (const std::exception& error) {
    ReportFailure(error);
  }
}

}  // namespace harrowlander
