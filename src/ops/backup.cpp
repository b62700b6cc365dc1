#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ops/backup_compression.h"
#include "ops/backup_plan.h"
#include "ops/elapsed_seconds.h"
#include "ops/hash_sidecar.h"
#include "ops/operation_run.h"
#include "ops/pending_backup_file.h"
#include "ops/server_step_progress.h"
#include "ops/workstation_path.h"
#include "ports/com_error.h"
#include "res/ascii_case.h"
#include "res/format_text.h"
#include "run/run_stopped.h"
#include "sql/database_list.h"
#include "sql/like_pattern.h"
#include "sql/net_server_name.h"
#include "sql/server_connection.h"
#include "sql/server_progress.h"
#include "sql/shell_path.h"
#include "sql/sql_escape.h"
#include "tools/archiver.h"
#include "tools/process_launch.h"
#include "transfer/copy_file_with_progress.h"
#include "transfer/server_transfer.h"
#include "transfer/transfer_session.h"
#include "transfer/transfer_texts.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

namespace {

// The database, the local date and time ("_at%y%m%d%H%Mon") and the computer's name.
std::string DefaultBackupName(CHarrowlanderDlg& dlg) {
  const LocalTime now = dlg.platform().system.Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "_at%02d%02d%02d%02d%02don", now.year % 100, now.month,
                now.day, now.hour, now.minute);
  return dlg.m_strDatabase + stamp +
         GetLocalComputerName(dlg.platform().system, dlg.platform().codec);
}

// SQL Server 2005 brought backup checksums and copy-only backups.
bool HasBackupChecksums(int serverMajorVersion) {
  return serverMajorVersion >= 9;
}

// What follows "with" in the backup statement. Without "init" the server adds this
// backup set to a file already there. The server reports each percent it has written,
// which also keeps the command timeout from cutting off a backup that makes progress.
std::string BackupOptions(bool init, int serverMajorVersion, bool inChain) {
  std::string options = init ? std::string("init, ") + kProgressOption : kProgressOption;
  if (HasBackupChecksums(serverMajorVersion)) {
    options += ", checksum";
    if (!inChain) {
      options += ", copy_only";
    }
  }
  return options;
}

// Reads the file's first backup set through on the server, with its page checksums
// where the server writes them.
std::string VerifyStatement(const std::string& serverPath, int serverMajorVersion) {
  std::string statement = FormatText("RESTORE VERIFYONLY FROM DISK=%s", {Literal(serverPath)});
  if (HasBackupChecksums(serverMajorVersion)) {
    statement += " WITH CHECKSUM";
  }
  return statement;
}

// Writes the sidecar with the file's hash, which the copy gave or which is read here.
// The status when that failed; empty when the sidecar is written.
std::string ProveWithSidecar(FileSystem& files, StopRequest& stop, const std::string& file,
                             std::string& sha256) {
  if (sha256.empty()) {
    sha256 = files.Sha256OfFile(file, [&stop] { return stop.IsRequested(); }).value_or("");
    StopHereIfRequested(stop);
    if (sha256.empty()) {
      return FormatText("备份文件[%s]已写成,但无法读取它以计算SHA-256.", {file});
    }
  }
  const FileResult written = WriteHashSidecar(files, file, sha256);
  if (!written.ok) {
    return FormatText("备份文件[%s]已写成,但无法写入校验文件[%s]:%s",
                      {file, HashSidecarPath(file), written.error});
  }
  return {};
}

// One database's backup within a run's transfer session: the backup statement, the
// server's reading it back, the share and log-on (once a run), the copy home and the
// server's file deleted again.
struct BackupPass {
  enum class End {
    kCopyRan,       // the copy ran (see its outcome)
    kNotVerified,   // the server could not read the backup back; nothing was copied
    kShareRefused,  // the share or the log-on was refused: nothing more can be copied
  };

  CHarrowlanderDlg& dlg;
  StopRequest& stop;
  TransferSession& session;
  ServerTransfer& transfer;
  SqlConnection& connection;
  int serverVersion;
  bool shareReady = false;
  bool compress = false;

  End BackUpAndBringHome(const std::string& database, const std::string& backupPath,
                         CopyOutcome& copy, bool& verified) {
    Platform& platform = dlg.platform();
    const bool sameMachine = dlg.m_bSameMachine != 0;
    // 12. The server's file of this backup: the transfer file, which holds this backup
    // set only, or on the same machine the chosen file, which an appending backup may
    // add a set to. A backup that starts the file afresh goes beside it first, so that
    // the older backup there stays until this one is complete.
    const std::string serverFile = transfer.ServerFilePath(database);
    std::string serverPath = sameMachine ? backupPath : serverFile;
    std::optional<PendingBackupFile> pending;
    if (sameMachine && dlg.m_bIncremental == 0) {
      pending.emplace(platform.files, backupPath);
      serverPath = pending->Path();
    }
    const bool firstSetOfFile =
        !sameMachine || dlg.m_bIncremental == 0 || !platform.files.FileSize(backupPath).has_value();
    std::string statement =
        FormatText("backup database [%s] to disk=%s with ",
                   {EscapeName(database), Literal(serverPath)}) +
        BackupOptions(dlg.m_bIncremental == 0, serverVersion, dlg.m_bBackupInChain);
    if (compress) {
      statement += ", compression";
    }

    // 13. The server writes the transfer file from the statement's start: what a
    // statement that fails or is cancelled leaves of it is this run's to delete too.
    if (!sameMachine) {
      session.NoteFile(serverFile);
    }
    connection.ExecuteReporting(statement,
                                ShowServerProgress(platform, RunProgress::Step::kBackup,
                                                   FormatText("正在备份[%s]...", {database})));

    // The server reads what it wrote through before anything is copied. It reads the
    // file's first backup set, so a set added to an older file is not verified.
    if (dlg.m_bVerifyBackup && firstSetOfFile) {
      dlg.SetStatus("正在校验备份...");
      try {
        ExecuteStatement(connection, VerifyStatement(serverPath, serverVersion));
      } catch (const ComError& error) {
        dlg.SetStatus("服务器校验备份失败:" + error.Description());
        return End::kNotVerified;
      }
      verified = true;
    }

    if (pending) {
      if (const FileResult moved = pending->PutInPlace(); !moved.ok) {
        copy = CopyOutcome{CopyOutcome::Status::kFailed,
                           FormatText("新备份无法替换[%s]:%s", {backupPath, moved.error}),
                           {}};
        return End::kCopyRan;
      }
    }

    // 14. With no Windows user nothing is logged on, and the copy runs under the
    // workstation user's own network credentials.
    if (!sameMachine && !shareReady) {
      if (const std::string refused = session.PrepareShare(dlg.m_strNetUser, dlg.m_strNetPassword);
          !refused.empty()) {
        dlg.SetStatus(refused);
        return End::kShareRefused;
      }
      shareReady = true;
    }

    // 15.
    copy = CopyOutcome{CopyOutcome::Status::kCopied, {}, {}, {}};
    if (transfer.bShareMade) {
      const std::string source = transfer.NetworkFilePath(dlg.m_strNetServer, database);
      dlg.SetStatus(FormatText("从[%s]复制到本机...", {dlg.m_strNetServer}));
      copy = CopyFileWithProgress(platform, source, backupPath, stop);
      StopHereIfRequested(stop);
      // The server's copy goes only once this one is complete; else it stays until the
      // folder is taken down at the end.
      if (copy.Copied()) {
        dlg.SetStatus("删除临时文件...");
        platform.files.DeleteFile(source);
      }
    }
    return End::kCopyRan;
  }
};

// Whether the backup is to be compressed: asked for, and the server can. When it
// cannot, the status line says so and the backup goes on without.
bool CompressBackup(CHarrowlanderDlg& dlg, SqlConnection& connection) {
  if (!dlg.m_bCompressBackup) {
    return false;
  }
  std::string version;
  std::string engine;
  std::string edition;
  try {
    std::unique_ptr<SqlRecordset> rows = ExecuteForRows(connection, kServerReleaseQuery);
    if (!rows->IsEof()) {
      version = ReadColumnText(*rows, "version");
      engine = ReadColumnText(*rows, "engine");
      edition = ReadColumnText(*rows, "edition");
    }
    rows->Close();
  } catch (const ComError&) {
    // A release that cannot tell (before SERVERPROPERTY) cannot compress either.
  }
  if (CompressesBackups(version, engine, edition)) {
    return true;
  }
  dlg.SetStatus(FormatText("服务器[%s]不支持备份压缩(版本%s %s),备份不压缩.",
                           {dlg.m_strServer, version.empty() ? "?" : version, edition}));
  return false;
}

enum class Packing { kDone, kFailed, kArchiverNotLocated };

// The archiver's exit code for a warning: the archive is made, something else went amiss.
constexpr int kArchiverWarning = 1;

// Whether the archiver's run left the archive whole: there, not empty, and the backup
// file moved into it (the archiver deletes the backup once it is packed).
bool BackupMovedIntoArchive(FileSystem& files, const std::string& backupPath) {
  const std::string archivePath = ArchivePath(backupPath);
  return files.CanOpenForReading(archivePath) && files.FileSize(archivePath).value_or(0) > 0 &&
         !files.FileSize(backupPath).has_value();
}

// Packs the backup file into its archive, which replaces it. The backup file stays
// whenever no archive with the password the user asked for came out of it.
Packing PackBackupFile(CHarrowlanderDlg& dlg, const std::string& backupPath,
                       std::uint32_t startTick) {
  Platform& platform = dlg.platform();
  // 1.
  if (!LocateArchiver(platform, dlg.m_strRarExePath)) {
    return Packing::kArchiverNotLocated;
  }
  // 2.
  const std::string fileName = FileNameOf(backupPath);
  if (dlg.m_strRarPassword != dlg.m_strRarPassword2) {
    dlg.SetStatus(FormatText("两次输入的压缩密码不一致,未压缩;备份文件%s保留.", {fileName}));
    return Packing::kFailed;
  }
  // A double quote would end the path's quoting on the command line and split it into
  // other names, which the archiver would pack and then delete.
  if (backupPath.find('"') != std::string::npos) {
    dlg.SetStatus(
        FormatText("备份文件路径[%s]含有双引号,无法交给压缩程序;备份文件保留.", {backupPath}));
    return Packing::kFailed;
  }
  dlg.SetStatus(FormatText("正在压缩%s...", {fileName}));
  // 3.
  const ArchiverStart start =
      BuildArchiverStart(backupPath, dlg.m_strRarPassword, dlg.m_strRarPassword2,
                         platform.launcher.CommandLinesAreVisibleToOthers());
  // 4. A start that failed has been shown in a message box.
  int exitCode = 0;
  const bool started = RunProcessAndWait(platform, dlg.m_strRarExePath, start.commandLine,
                                         &exitCode, start.environment) == 1;
  const bool packed =
      started && exitCode == 0 && platform.files.CanOpenForReading(ArchivePath(backupPath));
  const bool packedWithWarning =
      started && exitCode == kArchiverWarning && BackupMovedIntoArchive(platform.files, backupPath);
  if (!packed && !packedWithWarning) {
    dlg.SetStatus("压缩失败.");
    return Packing::kFailed;
  }
  dlg.SetStatus(FormatText(packed ? "%s 压缩完成.%ss" : "%s 压缩完成,压缩程序报告了警告.%ss",
                           {fileName, ElapsedSeconds(platform.system, startTick)}));
  return Packing::kDone;
}

}  // namespace

int CHarrowlanderDlg::BackupDatabase() {
  OperationRun run(*this);

  // 1.
  const std::string defaultName = DefaultBackupName(*this);

  // 2.
  if (m_strDatabase.empty()) {
    return run.NothingDone();
  }

  // The archiver splits its command line by rules of its own, which may read a double
  // quote otherwise than it was written: the archive would get another password, and the
  // backup, packed into it, would be deleted. Refused before the backup is made.
  if (m_bCompressRar != 0 && ArchivePasswordHasQuote(m_strRarPassword, m_strRarPassword2)) {
    SetStatus("压缩密码含有双引号,无法安全地交给压缩程序;未做任何操作.");
    return run.Failed(kStopped);
  }

  // 3.
  const std::optional<std::string> chosen = m_platform.window.ShowFileDialog(
      {true, "bak", defaultName, ofn::kHideReadOnly | ofn::kOverwritePrompt,
       "Backup File(*.bak)|*.bak||"});
  if (!chosen) {
    return run.NothingDone();
  }

  // 4.
  const std::uint32_t startTick = m_platform.system.TickCount();

  // 5.
  const std::string& backupPath = *chosen;
  if (!HasDirectorySeparator(backupPath)) {
    return run.Failed(kStopped);
  }

  // 6.
  ServerTransfer transfer;
  bool saveSettings = true;
  if (m_bSameMachine == 0 && !IsShellSafePath(transfer.ServerFilePath(m_strDatabase))) {
    SetStatus(UnsafeTransferNameText(m_strDatabase));
    return run.Failed(kStopped);
  }
  run.outcome.file = backupPath;

  // 7.
  SqlObjects ado;
  try {
    TransferSession session(transfer, ado, m_platform, run.Stop(), Login(), m_strNetServer,
                            [this](const std::string& text) { SetStatus(text); });
    // 8.
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kNo);
    const int serverVersion = connection.ServerMajorVersion();
    const bool compress = CompressBackup(*this, connection);

    // 9.
    if (m_bShrinkBeforeBackup != 0) {
      SetStatus(FormatText("开始清空[%s]日志...", {m_strDatabase}));
      ExecuteStatement(connection,
                       FormatText("backup log [%s] with no_log", {EscapeName(m_strDatabase)}));
      SetStatus(FormatText("开始收缩[%s]尺寸...", {m_strDatabase}));
      ExecuteStatement(connection, FormatText("DBCC SHRINKDATABASE ([%s],%d)",
                                              {EscapeName(m_strDatabase), m_nShrinkPercent}));
    }

    // 10. Under the server's transfer lock from here to the end.
    const std::string serverFile = transfer.ServerFilePath(m_strDatabase);
    if (m_bSameMachine == 0) {
      if (const std::string refused = session.PrepareFolder(serverFile); !refused.empty()) {
        SetStatus(refused);
        return session.Finish(run.Failed(kStopped));
      }
    }

    // 11.
    SetStatus("开始备份,请等待...");

    // 12-15.
    BackupPass pass{*this, run.Stop(), session, transfer, connection, serverVersion};
    pass.compress = compress;
    CopyOutcome copy;
    switch (pass.BackUpAndBringHome(m_strDatabase, backupPath, copy, run.outcome.verified)) {
      case BackupPass::End::kCopyRan:
        break;
      case BackupPass::End::kNotVerified:
      case BackupPass::End::kShareRefused:
        return session.Finish(run.Failed(kStopped));
    }

    // 16.
    session.LogOff();

    // 17. Only that the file opens is checked, not its size or content; a copy that
    // failed says why.
    const bool copied = copy.Copied() && m_platform.files.CanOpenForReading(backupPath);
    // A hash of the file goes beside it, for a restore or anyone to check it against.
    std::string proofFailure;
    if (copied) {
      run.outcome.sha256 = copy.sha256;
      proofFailure = ProveWithSidecar(m_platform.files, run.Stop(), backupPath, run.outcome.sha256);
    }
    const bool backupDone = copied && proofFailure.empty();
    if (backupDone) {
      SetStatus(FormatText(run.outcome.verified ? "已经备份完成.%ss 已校验" : "已经备份完成.%ss",
                           {ElapsedSeconds(m_platform.system, startTick)}));
    } else if (!proofFailure.empty()) {
      SetStatus(proofFailure);
    } else {
      run.outcome.reason = copy.reason;
      SetStatus(copy.reason.empty() ? std::string("备份失败.") : "备份失败.原因:" + copy.reason);
    }

    // 18.
    bool packed = true;
    if (backupDone && m_bCompressRar != 0) {
      const Packing packing = PackBackupFile(*this, backupPath, startTick);
      if (packing == Packing::kArchiverNotLocated) {
        return session.Finish(run.Failed(kStopped));
      }
      packed = packing == Packing::kDone;
      saveSettings = packed;
      if (packed) {
        // The backup file now lives in the archive, which gets the hash instead.
        m_platform.files.DeleteFile(HashSidecarPath(backupPath));
        run.outcome.file = ArchivePath(backupPath);
        run.outcome.sha256.clear();
        if (const std::string failed = ProveWithSidecar(m_platform.files, run.Stop(),
                                                        run.outcome.file, run.outcome.sha256);
            !failed.empty()) {
          SetStatus(failed);
          packed = false;
        }
      }
    }
    if (backupDone) {
      run.outcome.bytes = m_platform.files.FileSize(run.outcome.file);
    }

    // 19.
    ClearUnsavedPasswords();

    // 20.
    if (saveSettings) {
      SerializeSettings(true);
    }

    // 21-24.
    return session.Finish(backupDone && packed ? run.Done() : run.Failed(kRanToItsEnd));
  } catch (const RunStopped&) {
    // The clean-up has taken down what this run set up.
    return run.Stopped("备份已停止.");
  } catch (const ComError& error) {
    return run.Failed(error);
  } catch (const std::exception& error) {
    return run.Failed(error);
  }
}

namespace {

// The databases of the plan in the order they are backed up: the server's user
// databases by name (when asked), then those named that are not among them, less the
// ones an exclusion matches.
std::vector<std::string> DatabasesOfPlan(const BackupPlan& plan, SqlObjects& ado) {
  std::vector<std::string> listed;
  if (plan.allDatabases) {
    SqlRecordset& recordset = ado.Recordset();
    OpenStaticQuery(recordset, ado.Connection(), DatabaseListQuery(false));
    if (recordset.RecordCount() > 0) {
      recordset.MoveFirst();
      while (!recordset.IsEof()) {
        listed.push_back(ReadColumnText(recordset, "name"));
        recordset.MoveNext();
      }
    }
  }
  for (const std::string& named : plan.databases) {
    listed.push_back(named);
  }
  std::vector<std::string> chosen;
  for (const std::string& name : listed) {
    bool skip = false;
    for (const std::string& already : chosen) {
      skip = skip || EqualsIgnoringAsciiCase(already, name);
    }
    for (const std::string& pattern : plan.excluded) {
      skip = skip || MatchesLike(name, pattern);
    }
    if (!skip) {
      chosen.push_back(name);
    }
  }
  return chosen;
}

}  // namespace

int CHarrowlanderDlg::BackupDatabases(const BackupPlan& plan) {
  OperationRun run(*this);
  ServerTransfer transfer;
  const bool sameMachine = m_bSameMachine != 0;
  SqlObjects ado;
  try {
    TransferSession session(transfer, ado, m_platform, run.Stop(), Login(), m_strNetServer,
                            [this](const std::string& text) { SetStatus(text); });
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kYes);
    const int serverVersion = connection.ServerMajorVersion();
    const bool compress = CompressBackup(*this, connection);
    const std::vector<std::string> databases = DatabasesOfPlan(plan, ado);
    if (databases.empty()) {
      SetStatus("没有要备份的数据库.");
      return session.Finish(run.NothingDone());
    }

    BackupPass pass{*this, run.Stop(), session, transfer, connection, serverVersion};
    pass.compress = compress;
    bool folderReady = sameMachine;
    std::string runRefusal;  // what ended the transfer for every database still to come
    bool allDone = true;
    for (const std::string& database : databases) {
      const std::uint32_t startTick = m_platform.system.TickCount();
      DatabaseBackupResult result;
      result.database = database;
      result.file = plan.fileFor(database);
      const auto failed = [&](const std::string& why) {
        result.failure = why;
        SetStatus(FormatText("[%s]备份失败:%s", {database, why}));
      };
      if (!runRefusal.empty()) {
        failed(runRefusal);
      } else if (!sameMachine && !IsShellSafePath(transfer.ServerFilePath(database))) {
        failed(UnsafeTransferNameText(database));
      } else {
        // Under the server's transfer lock from the first database to the end; the
        // folder is checked for the files of all of them.
        if (!folderReady) {
          std::vector<std::string> serverFiles;
          for (const std::string& each : databases) {
            if (IsShellSafePath(transfer.ServerFilePath(each))) {
              serverFiles.push_back(transfer.ServerFilePath(each));
            }
          }
          runRefusal = session.PrepareFolder(serverFiles);
          folderReady = runRefusal.empty();
        }
        if (!runRefusal.empty()) {
          failed(runRefusal);
        } else {
          try {
            if (m_bShrinkBeforeBackup != 0) {
              SetStatus(FormatText("开始清空[%s]日志...", {database}));
              ExecuteStatement(connection,
                               FormatText("backup log [%s] with no_log", {EscapeName(database)}));
              SetStatus(FormatText("开始收缩[%s]尺寸...", {database}));
              ExecuteStatement(connection, FormatText("DBCC SHRINKDATABASE ([%s],%d)",
                                                      {EscapeName(database), m_nShrinkPercent}));
            }
            SetStatus(FormatText("开始备份[%s],请等待...", {database}));
            CopyOutcome copy;
            switch (pass.BackUpAndBringHome(database, result.file, copy, result.verified)) {
              case BackupPass::End::kCopyRan:
                if (!copy.Copied() || !m_platform.files.CanOpenForReading(result.file)) {
                  failed(copy.reason.empty() ? std::string("备份失败.")
                                             : "备份失败.原因:" + copy.reason);
                  break;
                }
                result.sha256 = copy.sha256;
                if (const std::string proofFailure =
                        ProveWithSidecar(m_platform.files, run.Stop(), result.file, result.sha256);
                    !proofFailure.empty()) {
                  failed(proofFailure);
                  break;
                }
                result.done = true;
                result.bytes = m_platform.files.FileSize(result.file);
                SetStatus(FormatText(
                    result.verified ? "[%s]已经备份完成.%ss 已校验" : "[%s]已经备份完成.%ss",
                    {database, ElapsedSeconds(m_platform.system, startTick)}));
                break;
              case BackupPass::End::kNotVerified:
                result.failure = m_strStatus;
                break;
              case BackupPass::End::kShareRefused:
                runRefusal = m_strStatus;
                result.failure = runRefusal;
                break;
            }
          } catch (const ComError& error) {
            ReportComError(error);
            result.failure = m_strStatus;
          }
        }
      }
      if (!result.done) {
        result.sha256.clear();
        result.verified = false;
      }
      result.seconds = (m_platform.system.TickCount() - startTick) / 1000.0;
      allDone = allDone && result.done;
      if (plan.databaseEnded) {
        plan.databaseEnded(result);
      }
    }
    return session.Finish(allDone ? run.Done() : run.Failed(kRanToItsEnd));
  } catch (const RunStopped&) {
    return run.Stopped("备份已停止.");
  } catch (const ComError& error) {
    return run.Failed(error);
  } catch (const std::exception& error) {
    return run.Failed(error);
  }
}

}  // namespace harrowlander
