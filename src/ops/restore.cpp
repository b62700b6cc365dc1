#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ops/elapsed_seconds.h"
#include "ops/restore_files.h"
#include "ops/transfer_texts.h"
#include "ports/com_error.h"
#include "res/ascii_case.h"
#include "res/format_text.h"
#include "sql/server_connection.h"
#include "sql/shell_path.h"
#include "sql/sql_escape.h"
#include "transfer/copy_file_with_progress.h"
#include "transfer/server_transfer.h"
#include "transfer/transfer_cleanup.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

namespace {

// Both forms keep their own spacing; every file after the log file adds one more move.
std::string RestoreStatement(const std::string& database, const std::string& serverBackupPath,
                             const std::vector<RestoreTarget>& targets, bool sameMachine) {
  std::string statement = FormatText(
      sameMachine ? "restore database [%s] from disk=%s with move %s to %s ,move %s to %s"
                  : "restore database [%s] from disk=%s WITH  move %s to %s,move %s to %s",
      {EscapeName(database), Literal(serverBackupPath), Literal(targets[0].logicalName),
       Literal(targets[0].physicalName), Literal(targets[1].logicalName),
       Literal(targets[1].physicalName)});
  for (size_t i = 2; i < targets.size(); ++i) {
    statement += FormatText(sameMachine ? " ,move %s to %s" : ",move %s to %s",
                            {Literal(targets[i].logicalName), Literal(targets[i].physicalName)});
  }
  return statement;
}

}  // namespace

int CHarrowlanderDlg::RestoreDatabase() {
  // 1.
  if (m_strDatabase.empty()) {
    return kNothingDone;
  }

  // 2.
  const std::optional<std::string> chosen = m_platform.window.ShowFileDialog(
      {false, "bak", m_strDatabase, ofn::kHideReadOnly | ofn::kOverwritePrompt,
       "Backup File(*.bak)|*.bak|(All Files(*.*)|*.*||"});
  if (!chosen) {
    return kNothingDone;
  }

  // 3.
  const std::uint32_t startTick = m_platform.system.TickCount();

  // 4. The file is only read, so reading is what is tested: a read-only backup file
  // can be restored.
  const std::string& backupPath = *chosen;
  if (!m_platform.files.CanOpenForReading(backupPath)) {
    SetStatus(FormatText("不能打开或文件不存%s.", {backupPath}));
    return kStopped;
  }

  // 5.
  ServerTransfer transfer;
  int copyResult = 1;
  std::vector<RestoreTarget> targets;
  if (m_bSameMachine == 0 && !IsShellSafePath(transfer.ServerFilePath(m_strDatabase))) {
    SetStatus(UnsafeTransferNameText(m_strDatabase));
    return kStopped;
  }

  // 6.
  SqlObjects ado;
  try {
    TransferCleanup cleanup(transfer, ado, m_platform.network, m_strNetServer, m_platform.sql,
                            Login());
    // 7. No statement of this operation has a time limit.
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kNo);
    connection.SetCommandTimeout(0);

    // 8. With no Windows user nothing is logged on, and the copy runs under the
    // workstation user's own network credentials. A folder that was already there is
    // used, but stays; a share that was already there is not this run's to use.
    if (m_bSameMachine == 0) {
      if (const std::string refused = transfer.CreateServerFolder(connection); !refused.empty()) {
        SetStatus(FolderRefusedText(transfer, refused));
        return cleanup.Finish(kStopped);
      }
      if (const std::string refused = transfer.CreateServerShare(connection); !refused.empty()) {
        SetStatus(ShareRefusedText(transfer, refused));
        return cleanup.Finish(kStopped);
      }
      if (!transfer.OpenShareSession(m_platform.network, m_strNetServer, m_strNetUser,
                                     m_strNetPassword)) {
        SetStatus(ShareLogOnFailedText(m_platform.network, m_strNetServer));
        return cleanup.Finish(kStopped);
      }
    }

    // 9. The transfer file is named after the target database, whatever the chosen
    // file is called.
    if (transfer.bShareMade) {
      const std::string destination = transfer.NetworkFilePath(m_strNetServer, m_strDatabase);
      SetStatus(FormatText("从[%s]复制到服务器...", {backupPath}));
      transfer.MarkFileMade(m_strDatabase);
      copyResult = CopyFileWithProgress(m_platform, backupPath, destination);
    }

    // 10.
    if (transfer.bLoggedOn) {
      transfer.CloseShareSession(m_platform.network, m_strNetServer);
    }

    // 11.
    if (copyResult == 1) {
      // 12. The files by their type: data, log, and any further data files.
      const std::string serverBackupPath =
          m_bSameMachine != 0 ? backupPath : transfer.ServerFilePath(m_strDatabase);
      const std::vector<BackupFile> files = ReadBackupFileList(connection, serverBackupPath);

      // 13.
      std::optional<std::string> dataDirectory;
      if (m_bRestoreToDataDir != 0) {
        std::string masterFile;
        {
          std::unique_ptr<SqlRecordset> rows = ExecuteForRows(
              connection, "select filename from dbo.sysdatabases where name='master'");
          masterFile = ReadColumnText(*rows, "filename");
          rows->Close();
        }
        const std::size_t slash = masterFile.rfind('\\');
        dataDirectory = slash == std::string::npos ? masterFile : masterFile.substr(0, slash + 1);
      }
      targets = ChooseRestoreTargets(files, m_strDatabase, dataDirectory);
      if (targets.empty()) {
        SetStatus(FormatText("备份文件[%s]中找不到数据文件或日志文件,数据库未还原.", {backupPath}));
        return cleanup.Finish(kStopped);
      }

      // The new file names come partly from the backup file, made by whoever made it,
      // and go to the server's shell below: refused before anything is dropped.
      for (const RestoreTarget& target : targets) {
        if (!IsShellSafePath(target.physicalName)) {
          SetStatus(
              FormatText("数据库文件名[%s]含有双引号、百分号、星号、问号或换行,"
                         "无法安全地交给命令行删除;数据库未还原.",
                         {target.physicalName}));
          return cleanup.Finish(kStopped);
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
          return cleanup.Finish(kStopped);
        }
      }

      // 14. The old database goes only when the backup can be read whole: the file list
      // reads only its header. A deletion the server's shell refuses comes back only in
      // output rows, which nobody reads; a server whose shell is switched off refuses the
      // statement itself, so the deletions come before the drop, which they then stop.
      if (m_bDropBeforeRestore != 0) {
        ExecuteStatement(
            connection, FormatText("RESTORE VERIFYONLY FROM DISK=%s", {Literal(serverBackupPath)}));
      }
      for (const std::string& file : unlisted) {
        ExecuteStatement(connection, "xp_cmdshell " + Literal("del \"" + file + "\""));
      }
      if (m_bDropBeforeRestore != 0) {
        SetStatus(FormatText("开始删除原有数据库[%s],请等待...", {m_strDatabase}));
        ExecuteStatement(connection,
                         FormatText("drop database [%s] ", {EscapeName(m_strDatabase)}));
      }

      // 15.
      SetStatus(FormatText("开始还原数据库[%s],请耐心等待...", {m_strDatabase}));
      ExecuteStatement(connection, RestoreStatement(m_strDatabase, serverBackupPath, targets,
                                                    m_bSameMachine != 0));
    }

    // 16.
    if (copyResult == 1) {
      SetStatus(FormatText("还原数据库[%s]完成,%s,%s,%ss.",
                           {m_strDatabase, targets[0].physicalName, targets[1].physicalName,
                            ElapsedSeconds(m_platform.system, startTick)}));
    } else {
      SetStatus(FormatText("由于没有服务器[%s]的可写权限,还原失败。请更换登录用户后再试。",
                           {m_strNetServer}));
    }
    ClearUnsavedPasswords();
    if (copyResult == 1) {
      SerializeSettings(true);
    }

    // 17.
    return cleanup.Finish(kRanToItsEnd);
  } catch (const ComError& error) {
    // The clean-up has taken down what this run set up.
    ReportComError(error);
    return kStopped;
  } catch (const std::exception& error) {
    ReportFailure(error);
    return kStopped;
  }
}

}  // namespace harrowlander
