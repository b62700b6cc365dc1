#include "ops/backup_on_server.h"

#include "res/format_text.h"
#include "run/run_stopped.h"
#include "transfer/copy_file_with_progress.h"

namespace harrowlander {

BackupOnServer PlaceBackupOnServer(CHarrowlanderDlg& dlg, TransferSession& session,
                                   ServerTransfer& transfer, const std::string& backupPath,
                                   const std::string& transferName, StopRequest& stop) {
  BackupOnServer placed;
  if (dlg.m_bSameMachine != 0) {
    placed.serverPath = backupPath;
    return placed;
  }
  // With no Windows user nothing is logged on, and the copy runs under the workstation
  // user's own network credentials.
  placed.serverPath = transfer.ServerFilePath(transferName);
  placed.refusal = session.PrepareFolder(placed.serverPath);
  if (placed.refusal.empty()) {
    placed.refusal = session.PrepareShare(dlg.m_strNetUser, dlg.m_strNetPassword);
  }
  if (!placed.refusal.empty()) {
    return placed;
  }
  if (transfer.bShareMade) {
    const std::string destination = transfer.NetworkFilePath(dlg.m_strNetServer, transferName);
    dlg.SetStatus(FormatText("从[%s]复制到服务器...", {backupPath}));
    session.NoteFile(placed.serverPath);
    placed.copy = CopyFileWithProgress(dlg.platform(), backupPath, destination, stop);
    if (!placed.copy.leftover.empty()) {
      session.NoteLeftover(placed.copy.leftover);
    }
    StopHereIfRequested(stop);
  }
  session.LogOff();
  return placed;
}

}  // namespace harrowlander
