#include <array>

#include "ui/harrowlander_dlg.h"
#include "ui/result_signal.h"

namespace harrowlander {

namespace {

using Operation = int (CHarrowlanderDlg::*)();

// The operation of each mode, indexed by m_nMode.
constexpr std::array<Operation, 5> kOperations = {
    &CHarrowlanderDlg::BackupDatabase, &CHarrowlanderDlg::RestoreDatabase,
    &CHarrowlanderDlg::DeleteDatabase, &CHarrowlanderDlg::ShrinkDatabase,
    &CHarrowlanderDlg::DropTables};

}  // namespace

void SignalOperationResult(DialogWindow& window, int result) {
  if (result == 0) {
    window.Beep(mb::kSimpleBeep);
  } else if (result == 1) {
    window.Beep(mb::kIconQuestion);
  }
}

void CHarrowlanderDlg::OnStart() {
  if (!UpdateData(true)) {
    return;
  }
  DialogWindow& window = m_platform.window;
  if (m_nMode < 0 || m_nMode >= static_cast<std::int32_t>(kOperations.size())) {
    window.Beep(mb::kIconQuestion);
    return;
  }
  SignalOperationResult(window, (this->*kOperations[static_cast<size_t>(m_nMode)])());
}

}  // namespace harrowlander
