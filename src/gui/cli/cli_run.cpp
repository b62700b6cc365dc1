#include "gui/cli/cli_run.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <ostream>
#include <streambuf>

#include "gui/cli/console_dialog_window.h"
#include "gui/cli/locked_reporter.h"
#include "gui/cli/passwords.h"
#include "gui/cli/reporter.h"
#include "gui/cli/system_without_settings.h"
#include "gui/cli/workstation_files.h"
#include "ops/backup_naming.h"
#include "ops/backup_plan.h"
#include "ops/drop_lock.h"
#include "ops/hash_sidecar.h"
#include "ops/workstation_path.h"
#include "res/resource_ids.h"
#include "tools/archiver.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::cli {
namespace {

// Where the dialog writes what only standard output would show (each server found,
// in detail); the command line's standard output holds the list alone.
class Discard : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

// The option a numeric control's value came from.
const char* OptionOfControl(int id) {
  switch (id) {
    case res::IDC_SHRINK_PERCENT:
      return "--percent";
    case res::IDC_CONNECT_TIMEOUT:
      return "--connect-timeout";
    case res::IDC_COMMAND_TIMEOUT:
      return "--command-timeout";
    default:
      return "a value";
  }
}

class CommandRun {
 public:
  CommandRun(const Options& options, SystemPorts& ports, Console& console, SignalStop& stop,
             LockedReporter& reporter)
      : m_options(options),
        m_console(console),
        m_stop(stop),
        m_reporter(reporter),
        m_window(m_reporter),
        m_system(ports.system),
        m_files(ports.files),
        m_platform{m_window,      m_system,    ports.files, ports.codec,    ports.sql,
                   ports.browser, m_discarded, std::cerr,   ports.launcher, ports.clientUtility,
                   ports.network},
        m_dlg(m_platform) {
    m_result.command = CommandName(options.command);
  }

  int Run() {
    // Before any password is asked for, which would be asked in vain.
    if (m_options.command == Command::kBackup && !CheckBackupDestination()) {
      return Finish(kExitUsage);
    }
    if (m_options.command != Command::kListServers && !TypeInValues()) {
      return Finish(kExitUsage);
    }
    m_start = std::chrono::steady_clock::now();
    m_stop.BeginOperation(
        {[this] { return m_dlg.RequestStop(); }, [this] { return m_dlg.RunIsEnding(); }});
    return Finish(Operate());
  }

 private:
  void Type(int id, const std::optional<std::string>& value) {
    if (value) {
      m_window.SetControlText(id, *value);
    }
  }

  bool Password(int id, int confirmationId, PasswordSource source) {
    const ObtainedPassword obtained = ObtainPassword(source, m_console, m_files);
    if (!obtained.error.empty()) {
      m_reporter.Error(obtained.error);
      return false;
    }
    // The dialog would pack without the password, or not at all: refused before anything
    // reaches the server.
    if (obtained.password != obtained.confirmation) {
      m_reporter.Error("the password and its confirmation differ");
      return false;
    }
    m_window.SetControlText(id, obtained.password);
    if (confirmationId != 0) {
      m_window.SetControlText(confirmationId, obtained.confirmation);
    }
    return true;
  }

  // The options go into the dialog's controls as if typed, and come back through the
  // dialog's own data exchange, which checks them as it checks what a user types.
  bool TypeInValues() {
    const Options& o = m_options;
    const Command command = o.command;
    m_dlg.UpdateData(false);
    Type(res::IDC_SERVER, o.server);
    Type(res::IDC_SQL_USER, o.user);
    Type(res::IDC_CONNECT_TIMEOUT, o.connectTimeout);
    Type(res::IDC_COMMAND_TIMEOUT, o.commandTimeout);
    Type(res::IDC_NET_USER, o.netUser);
    if (o.netServer) {
      Type(res::IDC_NET_SERVER, o.netServer);
    } else {
      m_dlg.OnServerEditChange();
    }
    m_window.SetControlText(res::IDC_DATABASE, o.database);
    m_window.SetCheck(res::IDC_SAME_MACHINE, o.sameMachine);
    m_window.SetCheck(res::IDC_INCREMENTAL, o.append);
    m_dlg.m_bVerifyBackup = !o.noVerify;
    m_dlg.m_bBackupInChain = o.chain;
    m_dlg.m_bCompressBackup = o.compress;
    // A backup's own shrink always empties the log first; without that, the shrink
    // runs as the Shrink operation before the backup.
    m_window.SetCheck(res::IDC_SHRINK_BEFORE_BACKUP, o.shrink && !o.noTruncateLog);
    m_window.SetCheck(res::IDC_TRUNCATE_LOG_BEFORE_SHRINK, !o.noTruncateLog);
    Type(res::IDC_SHRINK_PERCENT, o.percent);
    m_window.SetCheck(res::IDC_COMPRESS_RAR, o.pack);
    m_window.SetCheck(res::IDC_DROP_BEFORE_RESTORE, o.dropFirst);
    m_window.SetCheck(res::IDC_RESTORE_TO_DATA_DIR, !o.keepFileFolders);
    std::string keywords;
    for (const std::string& pattern : o.patterns) {
      keywords += (keywords.empty() ? "" : ";") + pattern;
    }
    m_window.SetControlText(res::IDC_TABLE_KEYWORD, keywords);

    const std::string user = o.user.value_or(m_dlg.m_strSqlUser);
    if (!Password(res::IDC_SQL_PASSWORD, 0,
                  {o.sqlPasswordFile, "HARROWLANDER_SQL_PASSWORD",
                   "SQL Server password of " + user + ": "})) {
      return false;
    }
    const bool transfer =
        (command == Command::kBackup || command == Command::kRestore) && !o.sameMachine;
    // Without a Windows user nothing logs on to the share.
    const std::string netUser = o.netUser.value_or("");
    if (transfer &&
        !Password(res::IDC_NET_PASSWORD, 0,
                  {o.netPasswordFile, "HARROWLANDER_NET_PASSWORD",
                   "Password of " + netUser + " for the share: ", false, !netUser.empty()})) {
      return false;
    }
    if (o.pack && !Password(res::IDC_RAR_PASSWORD, res::IDC_RAR_PASSWORD2,
                            {o.archivePasswordFile, "HARROWLANDER_ARCHIVE_PASSWORD",
                             "Archive password (empty: none): ", true})) {
      return false;
    }

    m_window.SetTypingValues(true);
    const bool valid = m_dlg.UpdateData(true);
    m_window.SetTypingValues(false);
    if (!valid) {
      m_reporter.Error(std::string(OptionOfControl(m_window.LastFocused())) + ": " +
                       m_window.LastMessage());
      return false;
    }
    // The dialog reads only the first 255 bytes (GBK) of its keyword text: a pattern
    // cut there could match tables that no pattern names.
    if (m_platform.codec.Utf8ToGbk(m_dlg.m_strTableKeyword).size() > 255) {
      m_reporter.Error("the patterns take more than the 255 bytes the dialog reads");
      return false;
    }
    m_dlg.m_strRarExePath = o.archiver.value_or(DefaultArchiver(m_console, m_files));
    return true;
  }

  int Operate() {
    switch (m_options.command) {
      case Command::kListDatabases:
        return ListDatabases();
      case Command::kListServers:
        return ListServers();
      case Command::kBackup:
        return Backup();
      case Command::kRestore:
        return Restore();
      case Command::kDelete:
        m_window.AnswerYes(m_options.yes);
        m_dlg.DeleteDatabase();
        return FromOutcome();
      case Command::kShrink:
        m_dlg.ShrinkDatabase();
        return FromOutcome();
      case Command::kDropTables:
        return DropTables();
      case Command::kVerify:
        m_window.AnswerOpenDialog(FullPath(m_options.from));
        m_dlg.VerifyBackupFile(m_options.server.has_value());
        return FromOutcome();
      case Command::kTestRestore:
        m_window.AnswerOpenDialog(FullPath(m_options.from));
        m_dlg.TestRestoreBackup();
        return FromOutcome();
    }
    return kExitUsage;
  }

  // The file must be one that this machine can write before the server is asked to
  // back anything up: a folder that is not there, or that takes no new file, would show
  // only after the whole backup ran. On the same machine the server writes the file
  // with its own rights, so that only the folder is checked.
  bool CheckBackupDestination() {
    if (BacksUpIntoFolder(m_options)) {
      // A name no backup takes: only the folder is checked.
      const std::string problem =
          BackupDestinationProblem(PathInFolder(FullPath(m_options.toDir), "harrowlander.probe"),
                                   /*probeWriting=*/!m_options.sameMachine);
      if (!problem.empty()) {
        m_reporter.Error("--to-dir " + m_options.toDir + ": " + problem);
        return false;
      }
      return true;
    }
    const std::string problem = BackupDestinationProblem(FullPath(m_options.to),
                                                         /*probeWriting=*/!m_options.sameMachine);
    if (!problem.empty()) {
      m_reporter.Error("--to " + m_options.to + ": " + problem);
      return false;
    }
    return true;
  }

  // A signal stopped the run: its clean-up is done.
  int Stopped() {
    m_result.outcome = "stopped";
    return m_stop.StoppedExitStatus();
  }

  // The exit status of the operation's outcome, whose file and size the result gets.
  int FromOutcome() {
    const RunOutcome& outcome = m_dlg.LastOutcome();
    m_result.reason = outcome.reason;
    switch (outcome.state) {
      case RunOutcome::State::kDone:
        m_result.outcome = "done";
        if (!outcome.file.empty()) {
          m_result.file = outcome.file;
          m_result.bytes = outcome.bytes;
        }
        if (!outcome.sha256.empty()) {
          m_result.sha256 = outcome.sha256;
          m_result.verified = outcome.verified;
        }
        return kExitDone;
      case RunOutcome::State::kFailed:
        m_result.outcome = "failed";
        return kExitFailed;
      case RunOutcome::State::kStopped:
        return Stopped();
      case RunOutcome::State::kNothingDone:
        break;
    }
    m_result.outcome = "nothing";
    m_reporter.Error("nothing was done");
    return kExitFailed;
  }

  int ListDatabases() {
    if (m_options.all) {
      m_window.HoldKey(vk::kControl);
    }
    m_dlg.OnDropdownDatabase();
    if (m_dlg.LastOutcome().state == RunOutcome::State::kStopped) {
      return Stopped();
    }
    if (m_dlg.LastOutcome().state != RunOutcome::State::kDone) {
      return kExitFailed;
    }
    for (const std::string& name : m_window.GetComboItems(res::IDC_DATABASE)) {
      m_reporter.Listed("database", name);
    }
    return kExitDone;
  }

  int ListServers() {
    m_dlg.OnServerDropDown();
    if (const RunOutcome& outcome = m_dlg.LastOutcome();
        outcome.state != RunOutcome::State::kDone) {
      m_reporter.Error(outcome.reason);
      return kExitFailed;
    }
    for (const std::string& name : m_window.GetComboItems(res::IDC_SERVER)) {
      m_reporter.Listed("server", name);
    }
    return kExitDone;
  }

  int Backup() {
    if (BacksUpIntoFolder(m_options)) {
      return BackupIntoFolder();
    }
    m_window.AnswerSaveDialog(FullPath(m_options.to));
    if (m_options.shrink && m_options.noTruncateLog) {
      m_dlg.ShrinkDatabase();
      if (m_dlg.LastOutcome().state != RunOutcome::State::kDone) {
        return FromOutcome();
      }
      // A signal that came as the shrink ended stops the run before the backup.
      if (m_stop.StopRequested()) {
        return Stopped();
      }
    }
    m_dlg.BackupDatabase();
    if (m_dlg.LastOutcome().state == RunOutcome::State::kFailed &&
        m_window.UnansweredOpenDialog()) {
      m_reporter.Error("cannot open the archiver '" + m_dlg.m_strRarExePath +
                       "'; name it with --archiver");
    }
    return FromOutcome();
  }

  // Each database's backup under the pattern's name in the folder, its older ones
  // deleted as retention says once the new one is proven.
  int BackupIntoFolder() {
    const std::string folder = FullPath(m_options.toDir);
    const BackupNamePattern pattern(m_options.name.value_or(kDefaultBackupNamePattern));
    const std::string server = m_dlg.m_strServer;
    std::vector<std::string> failed;
    int backedUp = 0;
    BackupPlan plan;
    plan.allDatabases = m_options.allDatabases;
    plan.databases = m_options.databases;
    plan.excluded = m_options.excluded;
    plan.fileFor = [&](const std::string& database) {
      return PathInFolder(folder, pattern.NameFor(database, server, m_system.Now()));
    };
    plan.databaseEnded = [&](const DatabaseBackupResult& result) {
      m_reporter.DatabaseEnded(result);
      if (!result.done) {
        failed.push_back(result.database);
        return;
      }
      ++backedUp;
      if (result.verified) {
        ApplyRetention(folder, pattern, server, result);
      }
    };
    m_dlg.BackupDatabases(plan);
    m_result.backedUp = backedUp;
    m_result.failedDatabases = failed;
    if (!failed.empty() && m_dlg.LastOutcome().state != RunOutcome::State::kStopped) {
      std::string names;
      for (const std::string& name : failed) {
        names += (names.empty() ? "" : ", ") + name;
      }
      m_reporter.Error("not backed up: " + names);
    }
    const int exitCode = FromOutcome();
    m_result.file.reset();
    m_result.bytes.reset();
    return exitCode;
  }

  // Deletes the database's older backups in the folder that --keep and --keep-days let
  // go, each with its .sha256; a dry run only says which.
  void ApplyRetention(const std::string& folder, const BackupNamePattern& pattern,
                      const std::string& server, const DatabaseBackupResult& result) {
    const RetentionRule rule{KeepNewest(m_options), KeepDays(m_options)};
    if (!rule.keepNewest && !rule.keepDays) {
      return;
    }
    const std::optional<std::vector<std::string>> names = FileNamesIn(folder);
    if (!names) {
      m_reporter.Error("cannot list " + folder + ": no older backup of [" + result.database +
                       "] deleted");
      return;
    }
    const std::string newName = FileNameOf(result.file);
    for (const std::string& name : ChooseBackupsToDelete(*names, pattern, result.database, server,
                                                         newName, rule, m_system.Now())) {
      const std::string path = PathInFolder(folder, name);
      Deletion deletion{result.database, path, false, m_options.dryRun};
      const std::string sidecar = HashSidecarPath(path);
      const bool hasSidecar =
          std::find(names->begin(), names->end(), FileNameOf(sidecar)) != names->end();
      if (m_options.dryRun) {
        deletion.sidecar = hasSidecar;
        m_reporter.Status("would delete the older backup " + path + " (dry run)");
        m_reporter.Deleted(deletion);
        continue;
      }
      if (!m_files.DeleteFile(path)) {
        m_reporter.Error("could not delete the older backup " + path);
        continue;
      }
      deletion.sidecar = hasSidecar && m_files.DeleteFile(sidecar);
      m_reporter.Status("deleted the older backup " + path +
                        (deletion.sidecar ? " and its .sha256" : ""));
      m_reporter.Deleted(deletion);
    }
  }

  int Restore() {
    const std::string path = FullPath(m_options.from);
    m_window.AnswerOpenDialog(path);
    m_dlg.RestoreDatabase();
    const int exitCode = FromOutcome();
    // The file read is named whatever became of the restore.
    m_result.file = path;
    m_result.bytes = LocalFileSize(path);
    return exitCode;
  }

  int DropTables() {
    if (m_options.yes) {
      m_window.HoldKey(vk::kControl);
      for (int key : kDropLockDigitKeys) {
        m_window.HoldKey(key);
      }
    }
    m_window.AnswerYes(m_options.yes);
    m_dlg.DropTables();
    return FromOutcome();
  }

  int Finish(int exitCode) {
    // From here a signal changes nothing: the run has ended, and says how.
    m_stop.End();
    m_result.exitCode = exitCode;
    m_result.status = m_window.LastStatus();
    m_result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    m_reporter.Finished(m_result);
    return exitCode;
  }

  const Options& m_options;
  Console& m_console;
  SignalStop& m_stop;
  LockedReporter& m_reporter;
  ConsoleDialogWindow m_window;
  SystemWithoutSettings m_system;
  FileSystem& m_files;
  Discard m_discard;
  std::ostream m_discarded{&m_discard};
  Platform m_platform;
  CHarrowlanderDlg m_dlg;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
  RunResult m_result;
};

}  // namespace

int RunCommand(const Options& options, SystemPorts& ports, Console& console, SignalStop& stop,
               LockedReporter& reporter) {
  return CommandRun(options, ports, console, stop, reporter).Run();
}

}  // namespace harrowlander::cli
