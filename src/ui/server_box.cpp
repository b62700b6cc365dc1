#include <string>
#include <vector>

#include "ops/operation_run.h"
#include "res/resource_ids.h"
#include "sql/net_server_name.h"
#include "sql/server_diagnostics.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

void CHarrowlanderDlg::OnServerDropDown() {
  // As the database box: not while a run owns the dialog's outcome and stop request.
  if (m_running) {
    return;
  }
  OperationRun run(*this);
  DialogWindow& window = m_platform.window;

  // 1-2. Resetting empties both the list and the edit text.
  const std::string typedText = window.GetControlText(res::IDC_SERVER);
  window.ResetComboContent(res::IDC_SERVER);

  // 3.
  const ServerEnumeration found = m_platform.browser.EnumerateSqlServers();
  sql::WriteServerDiagnostics(m_platform.standardOutput, m_platform.standardError, found);

  // 4-5. Listed in the order received, neither sorted nor de-duplicated.
  if (found.status == ServerEnumeration::kSuccess || found.status == ServerEnumeration::kMoreData) {
    for (const ServerEntry& entry : found.entries) {
      window.AddComboString(res::IDC_SERVER, entry.name);
    }
    run.Done();
  } else {
    run.outcome.reason =
        "the server enumeration failed with system error " + std::to_string(found.status);
  }

  // 6.
  window.SetControlText(res::IDC_SERVER, typedText);
}

void CHarrowlanderDlg::OnServerEditChange() {
  DialogWindow& window = m_platform.window;
  window.SetControlText(res::IDC_NET_SERVER,
                        sql::DeriveNetServerName(m_platform.system, m_platform.codec,
                                                 window.GetControlText(res::IDC_SERVER)));
}

void CHarrowlanderDlg::OnServerSelChange() {
  DialogWindow& window = m_platform.window;
  // The edit part does not show the chosen item yet: read the item itself.
  const int selection = window.GetComboSelection(res::IDC_SERVER);
  const std::vector<std::string> items = window.GetComboItems(res::IDC_SERVER);
  if (selection < 0 || selection >= static_cast<int>(items.size())) {
    return;
  }
  window.SetControlText(res::IDC_NET_SERVER,
                        sql::DeriveNetServerName(m_platform.system, m_platform.codec,
                                                 items[static_cast<size_t>(selection)]));
}

}  // namespace harrowlander
