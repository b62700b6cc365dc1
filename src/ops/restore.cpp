#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ops/backup_on_server.h"
#include "ops/elapsed_seconds.h"
#include "ops/hash_sidecar.h"
#include "ops/operation_run.h"
#include "ops/restore_files.h"
#include "ops/server_step_progress.h"
#include "ports/com_error.h"
#include "res/ascii_case.h"
#include "res/format_text.h"
#include "run/run_stopped.h"
#include "sql/server_connection.h"
#include "sql/server_progress.h"
#include "sql/shell_path.h"
#include "sql/sql_escape.h"
#include "transfer/copy_file_with_progress.h"
#include "transfer/server_transfer.h"
#include "transfer/shell_output.h"
#include "transfer/transfer_session.h"
#include "transfer/transfer_texts.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

namespace {

// Whether the server's shell runs a harmless command and answers it.
bool ShellAnswers(SqlConnection& connection) {
  for (const std::string& line : ShellOutput(connection, "xp_cmdshell 'echo harrowlander'")) {
    if (line.find("harrowlander") != std::string::npos) {
      return true;
    }
  }
  return false;
}

// Why the database cannot be dropped now (it is not there, or other connections use
// it), as a status text; empty when it can.
std::string DropRefusal(SqlConnection& connection, const std::string& database) {
  const auto firstValue = [&](const std::string& query, const std::string& column) {
    std::unique_ptr<SqlRecordset> rows = ExecuteForRows(connection, query);
    std::optional<std::string> value;
    if (!rows->IsEof()) {
      value = ReadColumnText(*rows, column);
    }
    rows->Close();
    return value;
  };
  if (!firstValue(
          FormatText("select name from master.dbo.sysdatabases where name=%s", {Literal(database)}),
          "name")) {
    return FormatText("服务器上没有数据库[%s],无法在还原前删除它;没有删除任何文件,数据库未还原.",
                      {database});
  }
  const std::string users =
      firstValue(FormatText("select count(*) as users from master.dbo.sysprocesses "
                            "where dbid=db_id(%s) and spid<>@@spid",
                            {Literal(database)}),
                 "users")
          .value_or("0");
  if (users != "0") {
    return FormatText("数据库[%s]正被%s个连接使用,无法删除;没有删除任何文件,数据库未还原.",
                      {database, users});
  }
  return {};
}

}  // namespace

int CHarrowlanderDlg::RestoreDatabase() {
  OperationRun run(*this);

  // 1.
  if (m_strDatabase.empty()) {
    return run.NothingDone();
  }

  // 2.
  const std::optional<std::string> chosen = m_platform.window.ShowFileDialog(
      {false, "bak", m_strDatabase, ofn::kHideReadOnly | ofn::kOverwritePrompt,
       "Backup File(*.bak)|*.bak|(All Files(*.*)|*.*||"});
  if (!chosen) {
    return run.NothingDone();
  }

  // 3.
  const std::uint32_t startTick = m_platform.system.TickCount();

  // 4. The file is only read, so reading is what is tested: a read-only backup file
  // can be restored.
  const std::string& backupPath = *chosen;
  if (!m_platform.files.CanOpenForReading(backupPath)) {
    SetStatus(FormatText("不能打开或文件不存%s.", {backupPath}));
    return run.Failed(kStopped);
  }
  run.outcome.file = backupPath;
  run.outcome.bytes = m_platform.files.FileSize(backupPath);

  // 5.
  ServerTransfer transfer;
  std::vector<RestoreTarget> targets;
  if (m_bSameMachine == 0 && !IsShellSafePath(transfer.ServerFilePath(m_strDatabase))) {
    SetStatus(UnsafeTransferNameText(m_strDatabase));
    return run.Failed(kStopped);
  }
  bool restoring = false;  // the restore statement runs

  // A backup with a hash beside it is read through against it before anything reaches
  // the server: a changed or damaged file restores nothing.
  try {
    if (m_platform.files.FileSize(HashSidecarPath(backupPath))) {
      SetStatus(FormatText("正在核对备份文件[%s]的SHA-256...", {backupPath}));
    }
    const SidecarCheck check = CheckAgainstSidecar(m_platform.files, backupPath, run.Stop());
    if (const std::string refused = SidecarRefusalText(check, backupPath, "数据库未还原.");
        !refused.empty()) {
      SetStatus(refused);
      return run.Failed(kStopped);
    }
  } catch (const RunStopped&) {
    return run.Stopped("还原已停止.");
  }

  // 6.
  SqlObjects ado;
  try {
    TransferSession session(transfer, ado, m_platform, run.Stop(), Login(), m_strNetServer,
                            [this](const std::string& text) { SetStatus(text); });
    // 7. No statement of this operation has a time limit.
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kNo);
    connection.SetCommandTimeout(0);

    // 8-10. Under the server's transfer lock from here to the end. The transfer file is
    // named after the target database, whatever the chosen file is called.
    const BackupOnServer placed =
        PlaceBackupOnServer(*this, session, transfer, backupPath, m_strDatabase, run.Stop());
    if (!placed.refusal.empty()) {
      SetStatus(placed.refusal);
      return session.Finish(run.Failed(kStopped));
    }
    const CopyOutcome& copy = placed.copy;

    // 11.
    if (copy.Copied()) {
      // 12. The files by their type: data, log, and any further data files.
      const std::string& serverBackupPath = placed.serverPath;
      const std::vector<BackupFile> files = ReadBackupFileList(connection, serverBackupPath);

      // 13.
      std::optional<std::string> dataDirectory;
      if (m_bRestoreToDataDir != 0) {
        dataDirectory = ReadDataDirectory(connection);
      }
      targets = ChooseRestoreTargets(files, m_strDatabase, dataDirectory);
      if (targets.empty()) {
        SetStatus(FormatText("备份文件[%s]中找不到数据文件或日志文件,数据库未还原.", {backupPath}));
        return session.Finish(run.Failed(kStopped));
      }

      // The new file names come partly from the backup file, made by whoever made it,
      // and go to the server's shell below: refused before anything is dropped.
      for (const RestoreTarget& target : targets) {
        if (!IsShellSafePath(target.physicalName)) {
          SetStatus(
              FormatText("数据库文件名[%s]含有双引号、百分号、星号、问号或换行,"
                         "无法安全地交给命令行删除;数据库未还原.",
                         {target.physicalName}));
          return session.Finish(run.Failed(kStopped));
        }
      }

      // A target file that another database lists is that database's: nothing is
      // dropped or deleted for it. The database's own files go with its drop, or the
      // restore writes over them in place; only files no database lists are deleted.
      const std::map<std::string, std::string> owners = ReadDatabaseFileOwners(connection);
      std::vector<std::string> unlisted;
      for (const RestoreTarget& target : targets) {
        const auto owner = owners.find(PathKey(target.physicalName));
        if (owner == owners.end()) {
          unlisted.push_back(target.physicalName);
        } else if (!EqualsIgnoringAsciiCase(owner->second, m_strDatabase)) {
          SetStatus(FormatText("还原的目标文件[%s]属于数据库[%s];数据库未还原,没有删除任何文件.",
                               {target.physicalName, owner->second}));
          return session.Finish(run.Failed(kStopped));
        }
      }

      // 14. The old database goes only once everything that could stop the run after
      // it has been asked: the server reads the backup whole (the file list reads only
      // its header), its shell answers (the deletions come after the drop), and the
      // database can be dropped. A deletion the shell refuses comes back only in output
      // rows, which nobody reads.
      if (m_bDropBeforeRestore != 0) {
        ExecuteStatement(
            connection, FormatText("RESTORE VERIFYONLY FROM DISK=%s", {Literal(serverBackupPath)}));
        if (!unlisted.empty() && !ShellAnswers(connection)) {
          SetStatus(
              FormatText("服务器[%s]的命令行没有应答,无法删除旧文件;数据库[%s]未删除,也未还原.",
                         {m_strServer, m_strDatabase}));
          return session.Finish(run.Failed(kStopped));
        }
        if (const std::string refusal = DropRefusal(connection, m_strDatabase); !refusal.empty()) {
          SetStatus(refusal);
          return session.Finish(run.Failed(kStopped));
        }
        SetStatus(FormatText("开始删除原有数据库[%s],请等待...", {m_strDatabase}));
        ExecuteStatement(connection,
                         FormatText("drop database [%s] ", {EscapeName(m_strDatabase)}));
      }
      for (const std::string& file : unlisted) {
        ExecuteStatement(connection, "xp_cmdshell " + Literal("del \"" + file + "\""));
      }

      // 15.
      SetStatus(FormatText("开始还原数据库[%s],请耐心等待...", {m_strDatabase}));
      restoring = true;
      connection.ExecuteReporting(
          RestoreStatement(m_strDatabase, serverBackupPath, targets, m_bSameMachine != 0),
          ShowServerProgress(m_platform, RunProgress::Step::kRestore,
                             FormatText("正在还原[%s]...", {m_strDatabase})));
      restoring = false;
    }

    // 16.
    if (copy.Copied()) {
      SetStatus(FormatText("还原数据库[%s]完成,%s,%s,%ss.",
                           {m_strDatabase, targets[0].physicalName, targets[1].physicalName,
                            ElapsedSeconds(m_platform.system, startTick)}));
    } else {
      run.outcome.reason = copy.reason;
      std::string text = FormatText("由于没有服务器[%s]的可写权限,还原失败。请更换登录用户后再试。",
                                    {m_strNetServer});
      SetStatus(copy.reason.empty() ? text : text + "原因:" + copy.reason);
    }
    ClearUnsavedPasswords();
    if (copy.Copied()) {
      SerializeSettings(true);
    }

    // 17.
    return session.Finish(copy.Copied() ? run.Done() : run.Failed(kRanToItsEnd));
  } catch (const RunStopped&) {
    // The clean-up has taken down what this run set up. A restore that the server was
    // in the middle of leaves the database unusable until it is restored again.
    return run.Stopped(restoring
                           ? FormatText("还原已停止;数据库[%s]可能停留在“正在还原”(RESTORING)状态,"
                                        "需要重新还原或删除后才能使用.",
                                        {m_strDatabase})
                           : std::string("还原已停止."));
  } catch (const ComError& error) {
    return run.Failed(error);
  } catch (const std::exception& error) {
    return run.Failed(error);
  }
}

}  // namespace harrowlander
