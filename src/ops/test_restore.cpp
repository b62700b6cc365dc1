#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ops/backup_on_server.h"
#include "ops/hash_sidecar.h"
#include "ops/operation_run.h"
#include "ops/restore_files.h"
#include "ops/server_step_progress.h"
#include "ports/com_error.h"
#include "res/format_text.h"
#include "res/resource_ids.h"
#include "run/run_stopped.h"
#include "sql/server_connection.h"
#include "sql/sql_escape.h"
#include "transfer/server_transfer.h"
#include "transfer/transfer_session.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

using namespace sql;

namespace {

// A database name nobody else uses: the tool's prefix and 32 random bits.
std::string ScratchDatabaseName() {
  std::random_device random;
  char name[64];
  std::snprintf(name, sizeof name, "Harrowlander_check_%08x", static_cast<unsigned>(random()));
  return name;
}

bool DatabaseExists(SqlConnection& connection, const std::string& database) {
  std::unique_ptr<SqlRecordset> rows = ExecuteForRows(
      connection,
      FormatText("select count(*) as n from dbo.sysdatabases where name=%s", {Literal(database)}));
  const bool exists = ReadColumnText(*rows, "n") != "0";
  rows->Close();
  return exists;
}

// The scratch database, from the moment its restore is sent: dropped, with its files,
// however the run ends. A connection that broke is replaced for the drop.
class ScratchDatabase {
 public:
  // `left` becomes true when the database could not be dropped.
  ScratchDatabase(CHarrowlanderDlg& dlg, SqlConnection& connection, std::string name, bool& left)
      : m_dlg(dlg), m_connection(connection), m_name(std::move(name)), m_left(left) {}
  ~ScratchDatabase() { Drop(); }
  ScratchDatabase(const ScratchDatabase&) = delete;
  ScratchDatabase& operator=(const ScratchDatabase&) = delete;

  void Made() { m_made = true; }

  // Drops the database unless that is done; false, with the status saying so, when the
  // server would not.
  bool Drop() noexcept {
    if (!m_made) {
      return true;
    }
    m_made = false;
    m_dlg.platform().window.SetControlTextNow(res::IDC_STATUS,
                                              FormatText("删除临时数据库[%s]...", {m_name}));
    const std::string statement = FormatText("drop database [%s]", {EscapeName(m_name)});
    try {
      ExecuteStatement(m_connection, statement);
      return true;
    } catch (const std::exception&) {
    }
    try {
      SqlObjects fresh;
      SqlConnection& again = OpenServerConnection(m_dlg.platform().sql, m_dlg.Login(), fresh,
                                                  kMasterCatalog, WithRecordset::kNo);
      if (DatabaseExists(again, m_name)) {
        ExecuteStatement(again, statement);
      }
      return true;
    } catch (const std::exception& error) {
      m_left = true;
      m_dlg.SetStatus(
          FormatText("临时数据库[%s]未能删除,请在服务器上删除它:%s", {m_name, error.what()}));
      return false;
    }
  }

 private:
  CHarrowlanderDlg& m_dlg;
  SqlConnection& m_connection;
  std::string m_name;
  bool& m_left;
  bool m_made = false;
};

}  // namespace

int CHarrowlanderDlg::TestRestoreBackup() {
  OperationRun run(*this);
  bool unreadable = false;
  const std::optional<std::string> chosen = ChooseBackupToRead(*this, run.outcome, unreadable);
  if (!chosen) {
    return unreadable ? run.Failed(kStopped) : run.NothingDone();
  }
  const std::string& backupPath = *chosen;
  const std::string scratch = ScratchDatabaseName();
  bool scratchLeft = false;

  ServerTransfer transfer;
  SqlObjects ado;
  try {
    const SidecarCheck check = CheckAgainstSidecar(m_platform.files, backupPath, run.Stop());
    if (const std::string refused = SidecarRefusalText(check, backupPath, "未做测试还原.");
        !refused.empty()) {
      SetStatus(refused);
      return run.Failed(kStopped);
    }
    run.outcome.sha256 = check.actual;

    TransferSession session(transfer, ado, m_platform, run.Stop(), Login(), m_strNetServer,
                            [this](const std::string& text) { SetStatus(text); });
    SqlConnection& connection =
        OpenServerConnection(m_platform.sql, Login(), ado, kMasterCatalog, WithRecordset::kNo);
    connection.SetCommandTimeout(0);
    const BackupOnServer placed =
        PlaceBackupOnServer(*this, session, transfer, backupPath, scratch, run.Stop());
    if (const std::string failed = PlacementFailure(placed, m_strNetServer, run.outcome);
        !failed.empty()) {
      SetStatus(failed);
      return session.Finish(run.Failed(kStopped));
    }

    // New files in the data folder, named after the scratch database: nothing of any
    // other database is written over.
    const std::vector<RestoreTarget> targets = ChooseRestoreTargets(
        ReadBackupFileList(connection, placed.serverPath), scratch, ReadDataDirectory(connection));
    if (targets.empty()) {
      SetStatus(FormatText("备份文件[%s]中找不到数据文件或日志文件,未做测试还原.", {backupPath}));
      return session.Finish(run.Failed(kStopped));
    }
    const std::map<std::string, std::string> owners = ReadDatabaseFileOwners(connection);
    for (const RestoreTarget& target : targets) {
      if (owners.contains(PathKey(target.physicalName))) {
        SetStatus(FormatText("文件[%s]已属于数据库[%s];未做测试还原.",
                             {target.physicalName, owners.at(PathKey(target.physicalName))}));
        return session.Finish(run.Failed(kStopped));
      }
    }
    if (DatabaseExists(connection, scratch)) {
      SetStatus(FormatText("数据库[%s]已存在;未做测试还原.", {scratch}));
      return session.Finish(run.Failed(kStopped));
    }

    ScratchDatabase database(*this, connection, scratch, scratchLeft);
    SetStatus(FormatText("测试还原为临时数据库[%s]...", {scratch}));
    database.Made();
    connection.ExecuteReporting(
        RestoreStatement(scratch, placed.serverPath, targets, m_bSameMachine != 0),
        ShowServerProgress(m_platform, RunProgress::Step::kRestore,
                           FormatText("测试还原为临时数据库[%s]...", {scratch})));

    // CHECKDB ends with a summary line ("CHECKDB found 0 allocation errors and 0
    // consistency errors in database '...'."); what it found wrong comes as errors.
    SetStatus(FormatText("正在检查临时数据库[%s](DBCC CHECKDB)...", {scratch}));
    std::string summary;
    std::string checkFailure;
    try {
      connection.ExecuteReporting(FormatText("DBCC CHECKDB([%s])", {EscapeName(scratch)}),
                                  [&summary](const ServerMessage& message) {
                                    if (message.text.starts_with("CHECKDB found")) {
                                      summary = message.text;
                                    }
                                  });
    } catch (const ComError& error) {
      StopHereIfRequested(run.Stop());
      checkFailure = error.Description();
    }
    run.Stop().BeginCleanUp();
    if (!database.Drop()) {
      return session.Finish(run.Failed(kRanToItsEnd));
    }
    const bool sound =
        checkFailure.empty() &&
        summary.find(" 0 allocation errors and 0 consistency errors") != std::string::npos;
    if (sound) {
      SetStatus(FormatText("测试还原通过,临时数据库已删除:%s", {summary}));
      return session.Finish(run.Done());
    }
    SetStatus(FormatText("测试还原发现错误,临时数据库已删除:%s",
                         {summary.empty() ? checkFailure : summary}));
    return session.Finish(run.Failed(kRanToItsEnd));
  } catch (const RunStopped&) {
    // The scratch database and the transfer have been taken down on the way out.
    return run.Stopped(
        scratchLeft
            ? FormatText("测试还原已停止;临时数据库[%s]未能删除,请在服务器上删除它.", {scratch})
            : std::string("测试还原已停止."));
  } catch (const ComError& error) {
    if (!scratchLeft) {
      ReportComError(error);
    }
    return run.Failed(kStopped);
  } catch (const std::exception& error) {
    if (!scratchLeft) {
      ReportFailure(error);
    }
    return run.Failed(kStopped);
  }
}

}  // namespace harrowlander
