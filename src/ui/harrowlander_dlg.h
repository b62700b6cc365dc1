#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "ports/com_error.h"
#include "ports/platform.h"
#include "ports/window_thread.h"
#include "run/run_outcome.h"
#include "run/stop_request.h"
#include "sql/server_login.h"
#include "sql/stoppable_sql.h"

namespace harrowlander {

class SettingsArchive;
struct BackupPlan;

// The values of m_nMode: the index of the checked mode radio, -1 when none is.
enum DialogMode : std::int32_t {
  kModeNone = -1,
  kModeBackup = 0,
  kModeRestore = 1,
  kModeDelete = 2,
  kModeShrink = 3,
  kModeDropTables = 4,
};

// What an operation returns to Start, which signals it with a sound.
enum OperationResult : int {
  kNothingDone = -1,  // nothing to signal: no database, a dialog cancelled, answered No
  kStopped = 0,       // stopped by an error or a refusal: the simple beep
  kRanToItsEnd = 1,   // the status line tells how the work went: the question sound
};

// The main dialog: it holds every setting of an operation (its fields), exchanges them
// with the window's controls, applies the mode rules and runs the chosen operation.
// A front end creates the window from the dialog template, forwards each control
// notification to the handler of the same name and implements DialogWindow.
class CHarrowlanderDlg {
 public:
  explicit CHarrowlanderDlg(Platform& platform);
  // A dialog whose operations run on a thread of their own, so that the window keeps
  // answering: Start begins the run and returns, the run's window calls are carried to
  // `windowThread`, and its end comes back there (see OnStart).
  CHarrowlanderDlg(Platform& platform, WindowThread& windowThread);
  // Waits for a run that is still going; the window closes only after its run.
  ~CHarrowlanderDlg();
  CHarrowlanderDlg(const CHarrowlanderDlg&) = delete;
  CHarrowlanderDlg& operator=(const CHarrowlanderDlg&) = delete;

  // Fields, in declaration order, which is also the order of the data exchange.
  // Flags are 32-bit values used as 0/1; they are compared as the mode rules say.
  std::string m_strDatabase;
  std::string m_strSqlUser;
  std::string m_strSqlPassword;
  std::string m_strStatus;
  std::int32_t m_bSaveSqlPassword;
  std::int32_t m_bSameMachine;
  std::int32_t m_bCompressRar;
  std::int32_t m_bDropBeforeRestore;
  std::string m_strNetUser;
  std::string m_strNetPassword;
  std::int32_t m_bSaveNetPassword;
  std::int32_t m_nMode;  // a DialogMode
  std::string m_strNetServer;
  std::int32_t m_bShrinkBeforeBackup;
  std::string m_strServer;
  std::string m_strRarPassword;
  std::string m_strRarPassword2;
  std::int32_t m_bRestoreToDataDir;
  std::int32_t m_bTruncateLogBeforeShrink;
  std::int32_t m_nShrinkPercent;
  std::string m_strTableKeyword;
  std::int32_t m_nConnectTimeout;
  std::int32_t m_nCommandTimeout;
  std::int32_t m_bIncremental;
  std::string m_strRarExePath;
  int m_hIcon;  // icon resource shown by the window

  // How a backup proves itself; the command line may change them, the settings keep
  // neither. The server reads the new backup through before it is copied:
  bool m_bVerifyBackup = true;
  // From SQL Server 2005 on, a backup taken to bring a copy home is a copy-only backup,
  // which leaves the server's own differential and log backups as they were; true
  // makes it a full backup of the chain (the server's only backup).
  bool m_bBackupInChain = false;
  // Asks the server to compress the backup, where its version and edition can.
  bool m_bCompressBackup = false;

  // Where each group lives: construction in ui/harrowlander_dlg.cpp; data exchange in
  // ui/dialog_data_exchange.cpp; the mode rules
  // and mode handlers in ui/mode_rules.cpp; opening, About and the system menu in
  // ui/dialog_lifecycle.cpp; Start in ui/start_dispatch.cpp; the status line in
  // ui/status_line.cpp; the database box in ui/database_box.cpp; the server box in
  // ui/server_box.cpp; the client-utility button in ui/client_utility_button.cpp; the
  // hidden key sequence in ui/key_sequence.cpp; the settings in ui/settings_file.cpp and
  // ui/settings_record.cpp; each operation in its own file of ops/.

  // Copies every field into its control (false), or reads and validates every control
  // into its field (true). Returns false when a validation failed; the user has then
  // been told and the focus is on the offending edit.
  bool UpdateData(bool saveAndValidate);

  // Enabled state of the mode-dependent controls and the Start caption, from the fields.
  void ApplyMode();

  // Loads (false) or saves (true) the settings file. False only when the system names
  // no directory for it; open, read and write failures are handled inside.
  bool SerializeSettings(bool save);
  // Exchanges the settings record with the archive, in the direction it was made for.
  void Serialize(SettingsArchive& archive);
  // Empties the password fields whose save box is unchecked, before Backup and Restore
  // save the settings. The controls keep showing what was typed.
  void ClearUnsavedPasswords();

  // Window set-up when the dialog opens: menu entry, icons, settings, fields, mode.
  bool OnInitDialog();

  // Notification handlers.
  // Start: the operation of the mode, with the sound of its result. With a window
  // thread the operation runs on a thread of its own: meanwhile the Start button reads
  // "停止" and stops the run, and every control that could change the run's fields is
  // disabled; afterwards they are as the mode rules say.
  void OnStart();
  // Why the window is about to close.
  enum class CloseReason { kExitButton, kEscape, kWindowClose };
  // Whether the window may close now. During a run Esc does nothing, and Exit or the
  // window's close ask whether to stop and exit: Yes stops the run, which closes the
  // window once it has cleaned up; No (or a dismissed box) lets it go on.
  bool OnCloseRequest(CloseReason reason);
  // An operation runs on its thread now.
  bool IsRunning() const { return m_running; }
  void OnModeChanged();
  void OnShrinkModeClicked();
  void OnDropTablesModeClicked();
  void OnCompressRarClicked();
  void OnRarPasswordChange();
  void OnAbout();
  // Opens the SQL client configuration utility and waits until it is closed.
  void OnConfigureClient();
  // The database box is about to drop its list down: refill it from the server.
  // Nothing during a run.
  void OnDropdownDatabase();
  // The server box: list the announced servers (nothing during a run); keep the log-on
  // machine name in step.
  void OnServerDropDown();
  void OnServerEditChange();
  void OnServerSelChange();
  // A system-menu command; returns false when the window should process it by default.
  bool OnSysCommand(unsigned commandId);

  // Called by the front end for every system key-down message (a key pressed with
  // Alt held) before it is dispatched. Watches the hidden key sequence, except during
  // a run; never consumes the key, so the front end always processes it normally
  // afterwards.
  void PreTranslateSysKeyDown(int virtualKey);

  // The status line: the field and every control rewritten from the fields.
  void SetStatus(std::string text);
  // Writes the status control directly, leaving the field alone.
  void SetStatusControlText(const std::string& text);
  // Puts a SQL failure's description on the status line, exactly as it reads.
  void ReportComError(const ComError& error);
  // Puts any other failure that ended a handler or an operation on the status line.
  void ReportFailure(const std::exception& error);

  // The login fields, as every connection is opened with them.
  sql::ServerLogin Login() const;

  // The operations Start runs, each returning an OperationResult.
  int BackupDatabase();
  // The command line's backup of several databases in one run (see BackupPlan): a
  // database that fails is reported and the others still run; done when all were.
  int BackupDatabases(const BackupPlan& plan);
  int RestoreDatabase();
  int DeleteDatabase();
  int ShrinkDatabase();
  int DropTables();
  // Proving a backup file chosen in the open dialog, for the command line: read through
  // against the hash beside it and, with `onServer`, read through by the server too.
  int VerifyBackupFile(bool onServer);
  // Restores the chosen backup under a new scratch name with new files, has the server
  // check that database (DBCC CHECKDB) and drops it again, however the run ends.
  int TestRestoreBackup();

  // Any thread: asks the operation that runs now to stop. It cancels what runs on the
  // server, takes down what it set up and ends with a status that says it was
  // stopped. False when no operation took the request (none runs, or it is stopping
  // or cleaning up already). May be repeated until it is taken.
  bool RequestStop() { return m_stop.Request(); }
  // Any thread: no operation runs, or the one that runs is taking down what it set up
  // (after a stop, a failure or at its end).
  bool RunIsEnding() const { return m_stop.IsEnding(); }
  // How the last operation ended (each one records it, however it ends).
  const RunOutcome& LastOutcome() const { return m_outcome; }

  // The ports, with the data access made stoppable (see RequestStop).
  Platform& platform() { return m_platform; }

 private:
  friend class OperationRun;
  using Operation = int (CHarrowlanderDlg::*)();

  CHarrowlanderDlg(Platform& platform, WindowThread* windowThread);
  // The run on its own thread, and its end back on the window's thread.
  void StartRun(Operation operation);
  void EndRun(int result);
  // Asks the run to stop from a thread of its own, again each second until it stops.
  void StopRun();
  // Every control that could change the run's fields, and the Start caption.
  void LockControlsForRun(bool locked);

  StopRequest m_stop;
  sql::StoppableSqlFactory m_stoppableSql;
  WindowThread* m_windowThread;
  std::unique_ptr<DialogWindow> m_threadedWindow;
  Platform m_platform;
  RunOutcome m_outcome;
  std::string m_lastStatusShown;  // by SetStatus or straight into the control
  std::thread m_worker;
  std::thread m_stopper;
  bool m_running = false;  // the window's thread's view: from StartRun to EndRun
  bool m_closeWhenRunEnds = false;
};

}  // namespace harrowlander
