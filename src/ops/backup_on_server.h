#pragma once

#include <optional>
#include <string>

#include "ports/file_system.h"
#include "run/run_outcome.h"
#include "transfer/server_transfer.h"
#include "transfer/transfer_session.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

// The workstation's backup file where the server can read it.
struct BackupOnServer {
  // The status that ends the run when the folder or the share was refused; else empty.
  std::string refusal;
  // The upload's end; copied when the server reads the file where it is.
  CopyOutcome copy{CopyOutcome::Status::kCopied, {}, {}, {}};
  std::string serverPath;  // the file as the server names it

  bool Ready() const { return refusal.empty() && copy.Copied(); }
};

// On the same machine the server reads the file where it is. Otherwise the transfer
// folder and its share are prepared under the server's transfer lock, and the file is
// copied there as "<transferName>.bak" and the log-on dropped again; the session takes
// all of it down at the run's end.
BackupOnServer PlaceBackupOnServer(CHarrowlanderDlg& dlg, TransferSession& session,
                                   ServerTransfer& transfer, const std::string& backupPath,
                                   const std::string& transferName, StopRequest& stop);

// The backup file the user chose in the open dialog to be read, with the outcome's file
// and size set; nothing when the dialog was cancelled, or when the file cannot be read
// (`unreadable`, and the status says so).
std::optional<std::string> ChooseBackupToRead(CHarrowlanderDlg& dlg, RunOutcome& outcome,
                                              bool& unreadable);

// For a run that only reads the backup on the server: the status that ends it when the
// file did not reach the server (a refusal, or a failed copy whose reason goes into the
// outcome); empty when it did.
std::string PlacementFailure(const BackupOnServer& placed, const std::string& netServer,
                             RunOutcome& outcome);

}  // namespace harrowlander
