#include <array>

#include "ui/harrowlander_dlg.h"
#include "ui/result_signal.h"

namespace harrowlander {

namespace {

using Operation = int (CHarrowlanderDlg::*)();

// The operation of each mode, indexed by the mode.
constexpr std::array<Operation, kModeDropTables + 1> kOperations = {
    &CHarrowlanderDlg::BackupDatabase, &CHarrowlanderDlg::RestoreDatabase,
    &CHarrowlanderDlg::DeleteDatabase, &CHarrowlanderDlg::ShrinkDatabase,
    &CHarrowlanderDlg::DropTables};

}  // namespace

void SignalOperationResult(DialogWindow& window, int result) {
  if (result == kStopped) {
    window.Beep(mb::kSimpleBeep);
  } else if (result == kRanToItsEnd) {
    window.Beep(mb::kIconQuestion);
  }
}

void CHarrowlanderDlg::OnStart() {
  if (!UpdateData(true)) {
    return;
  }
  DialogWindow& window = m_platform.window;
  if (m_nMode < kModeBackup || m_nMode > kModeDropTables) {
    window.Beep(mb::kIconQuestion);
    return;
  }
  SignalOperationResult(window, (this->*kOperations[static_cast<size_t>(m_nMode)])());
}

}  // namespace harrowlander
