#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ops/elapsed_seconds.h"
#include "ports/com_error.h"
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

struct DatabaseFile {
  std::string logicalName;
  std::string physicalName;
};

// A server path up to and including its last backslash; empty when it has none.
std::string ServerDirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
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
  DatabaseFile data;
  DatabaseFile log;

  // 6.
  SqlObjects ado;
  try {
    TransferCleanup cleanup(transfer, ado, m_platform.network, m_strNetServer);
    // 7. No statement of this operation has a time limit.
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kNo);
    connection.SetCommandTimeout(0);

    // 8. With no Windows user nothing is logged on, and the copy runs under the
    // workstation user's own network credentials.
    if (m_bSameMachine == 0) {
      transfer.CreateServerFolder(connection);
      transfer.CreateServerShare(connection);
      if (!transfer.OpenShareSession(m_platform.network, m_strNetServer, m_strNetUser,
                                     m_strNetPassword)) {
        // A server that offers no SMB dialect this workstation speaks is not the
        // account's fault.
        SetStatus(m_platform.network.LastLogOnFailure() ==
                          NetworkSession::LogOnFailure::kNoCommonDialect
                      ? FormatText("远程服务器[%s]不提供本机支持的SMB协议版本!", {m_strNetServer})
                      : FormatText("登陆远程服务器[%s]失败!", {m_strNetServer}));
        return cleanup.Finish(kStopped);
      }
    }

    // 9. The transfer file is named after the target database, whatever the chosen
    // file is called.
    if (transfer.bShareMade) {
      const std::string destination = transfer.NetworkFilePath(m_strNetServer, m_strDatabase);
      SetStatus(FormatText("从[%s]复制到服务器...", {backupPath}));
      copyResult = CopyFileWithProgress(m_platform, backupPath, destination);
    }

    // 10.
    if (transfer.bLoggedOn) {
      transfer.CloseShareSession(m_platform.network, m_strNetServer);
    }

    // 11.
    if (copyResult == 1) {
      // 12. The first row is the data file, the second the log file; a list with fewer
      // rows raises at the column read.
      const std::string serverBackupPath =
          m_bSameMachine != 0 ? backupPath : transfer.ServerFilePath(m_strDatabase);
      {
        std::unique_ptr<SqlRecordset> rows = ExecuteForRows(
            connection,
            FormatText("RESTORE FILELISTONLY from disk='%s'", {EscapeLiteral(serverBackupPath)}));
        rows->MoveFirst();
        data = {ReadColumnText(*rows, "LogicalName"), ReadColumnText(*rows, "PhysicalName")};
        rows->MoveNext();
        log = {ReadColumnText(*rows, "LogicalName"), ReadColumnText(*rows, "PhysicalName")};
        rows->Close();
      }
      data.physicalName = ServerDirectoryOf(data.physicalName) + m_strDatabase + ".Mdf";
      log.physicalName = ServerDirectoryOf(log.physicalName) + m_strDatabase + ".Ldf";

      // 13.
      if (m_bRestoreToDataDir != 0) {
        std::string masterFile;
        {
          std::unique_ptr<SqlRecordset> rows = ExecuteForRows(
              connection, "select filename from dbo.sysdatabases where name='master'");
          masterFile = ReadColumnText(*rows, "filename");
          rows->Close();
        }
        const std::size_t slash = masterFile.rfind('\\');
        const std::string dataDirectory =
            slash == std::string::npos ? masterFile : masterFile.substr(0, slash + 1);
        data.physicalName = dataDirectory + m_strDatabase + ".Mdf";
        log.physicalName = dataDirectory + m_strDatabase + ".Ldf";
      }

      // The new file names come partly from the backup file, made by whoever made it,
      // and go to the server's shell below: refused before anything is dropped.
      for (const std::string* name : {&data.physicalName, &log.physicalName}) {
        if (!IsShellSafePath(*name)) {
          SetStatus(
              FormatText("数据库文件名[%s]含有双引号、百分号或换行,无法安全地交给命令行删除;"
                         "数据库未还原.",
                         {*name}));
          return cleanup.Finish(kStopped);
        }
      }

      // 14. A deletion the server's shell refuses (a running database holds the file)
      // comes back only in output rows, which nobody reads.
      if (m_bDropBeforeRestore != 0) {
        SetStatus(FormatText("开始删除原有数据库[%s],请等待...", {m_strDatabase}));
        ExecuteStatement(connection,
                         FormatText("drop database [%s] ", {EscapeName(m_strDatabase)}));
      }
      ExecuteStatement(connection,
                       FormatText("xp_cmdshell 'del \"%s\"'", {EscapeLiteral(data.physicalName)}));
      ExecuteStatement(connection,
                       FormatText("xp_cmdshell 'del \"%s\"'", {EscapeLiteral(log.physicalName)}));

      // 15.
      SetStatus(FormatText("开始还原数据库[%s],请耐心等待...", {m_strDatabase}));
      if (m_bSameMachine != 0) {
        ExecuteStatement(
            connection,
            FormatText(
                "restore database [%s] from disk='%s' with move '%s' to '%s' ,move '%s' to '%s'",
                {EscapeName(m_strDatabase), EscapeLiteral(backupPath),
                 EscapeLiteral(data.logicalName), EscapeLiteral(data.physicalName),
                 EscapeLiteral(log.logicalName), EscapeLiteral(log.physicalName)}));
      } else {
        ExecuteStatement(
            connection,
            FormatText(
                "restore database [%s] from disk='%s' WITH  move '%s' to '%s',move '%s' to '%s'",
                {EscapeName(m_strDatabase), EscapeLiteral(transfer.ServerFilePath(m_strDatabase)),
                 EscapeLiteral(data.logicalName), EscapeLiteral(data.physicalName),
                 EscapeLiteral(log.logicalName), EscapeLiteral(log.physicalName)}));
      }
    }

    // 16.
    if (copyResult == 1) {
      SetStatus(FormatText("还原数据库[%s]完成,%s,%s,%ss.",
                           {m_strDatabase, data.physicalName, log.physicalName,
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
  }
}

}  // namespace harrowlander
