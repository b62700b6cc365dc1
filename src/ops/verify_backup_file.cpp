#include <optional>
#include <string>

#include "ops/backup_on_server.h"
#include "ops/hash_sidecar.h"
#include "ops/operation_run.h"
#include "ports/com_error.h"
#include "res/format_text.h"
#include "run/run_stopped.h"
#include "sql/server_connection.h"
#include "sql/shell_path.h"
#include "sql/sql_escape.h"
#include "transfer/server_transfer.h"
#include "transfer/transfer_session.h"
#include "transfer/transfer_texts.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

namespace {

// The name of the file in the transfer folder while the server reads it.
constexpr const char* kVerifyTransferName = "HarrowlanderVerify";

}  // namespace

int CHarrowlanderDlg::VerifyBackupFile(bool onServer) {
  OperationRun run(*this);
  bool unreadable = false;
  const std::optional<std::string> chosen = ChooseBackupToRead(*this, run.outcome, unreadable);
  if (!chosen) {
    return unreadable ? run.Failed(kStopped) : run.NothingDone();
  }
  const std::string& backupPath = *chosen;

  try {
    SetStatus(FormatText("正在核对备份文件[%s]的SHA-256...", {backupPath}));
    const SidecarCheck check = CheckAgainstSidecar(m_platform.files, backupPath, run.Stop());
    if (const std::string refused = SidecarRefusalText(check, backupPath, "校验未通过.");
        !refused.empty()) {
      SetStatus(refused);
      return run.Failed(kRanToItsEnd);
    }
    if (check.result == SidecarCheck::Result::kNoSidecar && !onServer) {
      SetStatus(FormatText("备份文件[%s]旁没有校验文件[%s],无从核对.",
                           {backupPath, HashSidecarPath(backupPath)}));
      return run.Failed(kRanToItsEnd);
    }
    run.outcome.sha256 = check.actual;
    const std::string hashText = check.result == SidecarCheck::Result::kMatches
                                     ? FormatText("备份文件[%s]与其SHA-256相符.", {backupPath})
                                     : std::string();
    if (!onServer) {
      SetStatus(hashText);
      return run.Done();
    }
  } catch (const RunStopped&) {
    return run.Stopped("校验已停止.");
  }

  ServerTransfer transfer;
  SqlObjects ado;
  try {
    TransferSession session(transfer, ado, m_platform, run.Stop(), Login(), m_strNetServer,
                            [this](const std::string& text) { SetStatus(text); });
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kNo);
    connection.SetCommandTimeout(0);
    const BackupOnServer placed =
        PlaceBackupOnServer(*this, session, transfer, backupPath, kVerifyTransferName, run.Stop());
    if (const std::string failed = PlacementFailure(placed, m_strNetServer, run.outcome);
        !failed.empty()) {
      SetStatus(failed);
      return session.Finish(run.Failed(kStopped));
    }
    // Checksums that the backup carries are checked without being asked for, and a
    // backup without them is not refused for that.
    SetStatus("正在校验备份...");
    try {
      ExecuteStatement(connection,
                       FormatText("RESTORE VERIFYONLY FROM DISK=%s", {Literal(placed.serverPath)}));
    } catch (const ComError& error) {
      SetStatus("服务器校验备份失败:" + error.Description());
      return session.Finish(run.Failed(kRanToItsEnd));
    }
    run.outcome.verified = true;
    SetStatus(FormatText("服务器[%s]校验备份文件[%s]通过.", {m_strServer, backupPath}));
    return session.Finish(run.Done());
  } catch (const RunStopped&) {
    return run.Stopped("校验已停止.");
  } catch (const ComError& error) {
    return run.Failed(error);
  } catch (const std::exception& error) {
    return run.Failed(error);
  }
}

}  // namespace harrowlander
