#include <array>
#include <chrono>

#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"
#include "ui/result_signal.h"

namespace harrowlander {

namespace {

// The operation of each mode, indexed by the mode.
constexpr std::array<int (CHarrowlanderDlg::*)(), kModeDropTables + 1> kOperations = {
    &CHarrowlanderDlg::BackupDatabase, &CHarrowlanderDlg::RestoreDatabase,
    &CHarrowlanderDlg::DeleteDatabase, &CHarrowlanderDlg::ShrinkDatabase,
    &CHarrowlanderDlg::DropTables};

// Every control whose value a run reads, and those whose handlers would read or
// change the fields while it runs. Start, Exit and the status line stay as they are.
constexpr int kControlsLockedDuringRun[] = {res::IDC_RAR_PASSWORD,
                                            res::IDC_CONFIGURE_CLIENT,
                                            res::IDC_SQL_USER,
                                            res::IDC_SQL_PASSWORD,
                                            res::IDC_SAVE_SQL_PASSWORD,
                                            res::IDC_DATABASE,
                                            res::IDC_SAME_MACHINE,
                                            res::IDC_COMPRESS_RAR,
                                            res::IDC_DROP_BEFORE_RESTORE,
                                            res::IDC_MODE_BACKUP,
                                            res::IDC_MODE_RESTORE,
                                            res::IDC_NET_USER,
                                            res::IDC_NET_PASSWORD,
                                            res::IDC_SAVE_NET_PASSWORD,
                                            res::IDC_NET_SERVER,
                                            res::IDC_SHRINK_BEFORE_BACKUP,
                                            res::IDC_MODE_DELETE,
                                            res::IDC_SERVER,
                                            res::IDC_RESTORE_TO_DATA_DIR,
                                            res::IDC_RAR_PASSWORD2,
                                            res::IDC_MODE_SHRINK,
                                            res::IDC_SHRINK_PERCENT,
                                            res::IDC_TRUNCATE_LOG_BEFORE_SHRINK,
                                            res::IDC_MODE_DROP_TABLES,
                                            res::IDC_TABLE_KEYWORD,
                                            res::IDC_CONNECT_TIMEOUT,
                                            res::IDC_COMMAND_TIMEOUT,
                                            res::IDC_INCREMENTAL};

constexpr const char* kStopCaption = "停止";

}  // namespace

void SignalOperationResult(DialogWindow& window, int result) {
  if (result == kStopped) {
    window.Beep(mb::kSimpleBeep);
  } else if (result == kRanToItsEnd) {
    window.Beep(mb::kIconQuestion);
  }
}

void CHarrowlanderDlg::OnStart() {
  // During a run the button reads "停止".
  if (m_running) {
    StopRun();
    return;
  }
  if (!UpdateData(true)) {
    return;
  }
  DialogWindow& window = m_platform.window;
  if (m_nMode < kModeBackup || m_nMode > kModeDropTables) {
    window.Beep(mb::kIconQuestion);
    return;
  }
  const Operation operation = kOperations[static_cast<size_t>(m_nMode)];
  if (m_windowThread == nullptr) {
    SignalOperationResult(window, (this->*operation)());
    return;
  }
  StartRun(operation);
}

// The window's thread only starts the run; the run's window calls come back to it, and
// so does its end.
void CHarrowlanderDlg::StartRun(Operation operation) {
  m_running = true;
  // Begun here, so that a stop asked for before the operation's first step is kept.
  m_stop.BeginRun();
  LockControlsForRun(true);
  m_worker = std::thread([this, operation] {
    const int result = (this->*operation)();
    m_windowThread->Post([this, result] { EndRun(result); });
  });
}

void CHarrowlanderDlg::EndRun(int result) {
  m_worker.join();
  if (m_stopper.joinable()) {
    m_stopper.join();
  }
  m_running = false;
  LockControlsForRun(false);
  ApplyMode();
  SignalOperationResult(m_platform.window, result);
  if (m_closeWhenRunEnds) {
    m_closeWhenRunEnds = false;
    m_platform.window.CloseWindow();
  }
}

// Cancelling a statement can take a round trip to the server: not on the window's
// thread. A request the run has not taken yet (a statement just starting) is repeated.
void CHarrowlanderDlg::StopRun() {
  if (m_stopper.joinable()) {
    return;  // asked already
  }
  m_stopper = std::thread([this] {
    while (RequestStop()) {
      for (int slice = 0; slice < 10 && !m_stop.IsEnding(); ++slice) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    }
  });
}

void CHarrowlanderDlg::LockControlsForRun(bool locked) {
  DialogWindow& window = m_platform.window;
  for (int id : kControlsLockedDuringRun) {
    window.EnableControl(id, !locked);
  }
  if (locked) {
    window.SetControlText(res::IDOK, kStopCaption);
  }
}

bool CHarrowlanderDlg::OnCloseRequest(CloseReason reason) {
  if (!m_running) {
    return true;
  }
  if (reason == CloseReason::kEscape || m_closeWhenRunEnds) {
    return false;
  }
  // No is the default; a dismissed box answers No.
  const bool stopAndExit =
      m_platform.window.MessageBox("正在执行操作,是否停止并退出?", "Harrowlander",
                                   mb::kYesNo | mb::kIconQuestion | mb::kDefButton2) == kIdYes;
  // The window goes on processing its messages while it asks: the run may have ended
  // meanwhile, and no other end will come to close the window.
  if (!m_running) {
    return stopAndExit;
  }
  if (stopAndExit) {
    m_closeWhenRunEnds = true;
    StopRun();
  }
  return false;
}

}  // namespace harrowlander
