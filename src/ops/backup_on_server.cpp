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

std::optional<std::string> ChooseBackupToRead(CHarrowlanderDlg& dlg, RunOutcome& outcome,
                                              bool& unreadable) {
  Platform& platform = dlg.platform();
  unreadable = false;
  std::optional<std::string> chosen = platform.window.ShowFileDialog(
      {false, "bak", {}, ofn::kHideReadOnly, "Backup File(*.bak)|*.bak|(All Files(*.*)|*.*||"});
  if (chosen && !platform.files.CanOpenForReading(*chosen)) {
    dlg.SetStatus(FormatText("不能打开或文件不存%s.", {*chosen}));
    unreadable = true;
    return std::nullopt;
  }
  if (chosen) {
    outcome.file = *chosen;
    outcome.bytes = platform.files.FileSize(*chosen);
  }
  return chosen;
}

std::string PlacementFailure(const BackupOnServer& placed, const std::string& netServer,
                             RunOutcome& outcome) {
  if (!placed.refusal.empty()) {
    return placed.refusal;
  }
  if (placed.copy.Copied()) {
    return {};
  }
  outcome.reason = placed.copy.reason;
  return FormatText("备份文件复制到服务器[%s]失败.", {netServer}) +
         (placed.copy.reason.empty() ? std::string() : "原因:" + placed.copy.reason);
}

}  // namespace harrowlander
