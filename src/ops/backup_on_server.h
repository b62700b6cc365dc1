#pragma once

#include <string>

#include "ports/file_system.h"
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

}  // namespace harrowlander
