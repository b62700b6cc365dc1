#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "gui/cli/console_dialog_window.h"
#include "gui/cli/reporter.h"
#include "ports/file_system.h"
#include "ports/process_launcher.h"
#include "ports/server_browser.h"
#include "ports/sql_connection.h"
#include "ports/system_info.h"

namespace harrowlander::cli {

// The ports the console front end hands the dialog: each passes every call on to the
// system's adapter and notes what the command line needs to know about the outcome,
// since an operation can run to its end with its work undone (a copy that failed).

// The system's facts without a settings directory: the command line never reads or
// writes the window's settings file.
class SystemWithoutSettings : public SystemInfo {
 public:
  explicit SystemWithoutSettings(SystemInfo& system) : m_system(system) {}
  std::optional<std::string> SettingsDirectory() override { return std::nullopt; }
  std::optional<std::string> ComputerName() override { return m_system.ComputerName(); }
  void Sleep(unsigned milliseconds) override { m_system.Sleep(milliseconds); }
  std::uint32_t TickCount() override { return m_system.TickCount(); }
  LocalTime Now() override { return m_system.Now(); }

 private:
  SystemInfo& m_system;
};

// Files, with each copy's progress shown by the console and its outcome kept.
class WatchedFiles : public FileSystem {
 public:
  WatchedFiles(FileSystem& files, ConsoleDialogWindow& window, Reporter& reporter)
      : m_files(files), m_window(window), m_reporter(reporter) {}

  std::optional<std::string> ReadWholeFile(const std::string& path) override {
    return m_files.ReadWholeFile(path);
  }
  FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) override {
    return m_files.ReplaceFilePrivately(path, content);
  }
  bool CopyFile(const std::string& source, const std::string& destination,
                const CopyProgressCallback& progress) override;
  bool DeleteFile(const std::string& path) override { return m_files.DeleteFile(path); }
  bool CanOpenForReading(const std::string& path) override {
    return m_files.CanOpenForReading(path);
  }

  bool AnyCopyFailed() const { return m_anyCopyFailed; }
  // The size of the last file copied to the destination, if one was.
  std::optional<std::uint64_t> CopiedSize(const std::string& destination) const;

 private:
  FileSystem& m_files;
  ConsoleDialogWindow& m_window;
  Reporter& m_reporter;
  bool m_anyCopyFailed = false;
  std::string m_lastDestination;
  std::optional<std::uint64_t> m_lastSize;
};

// Started programs, with the last one's exit code kept.
class WatchedLauncher : public ProcessLauncher {
 public:
  explicit WatchedLauncher(ProcessLauncher& launcher) : m_launcher(launcher) {}

  bool CommandLinesAreVisibleToOthers() const override {
    return m_launcher.CommandLinesAreVisibleToOthers();
  }
  // Nothing when no program was started, or the last one could not be.
  std::optional<int> LastExitCode() const { return m_lastExitCode; }

 protected:
  std::optional<int> Run(const std::string& applicationPath, const std::string& commandLine,
                         const ExtraEnvironment& environment) override;

 private:
  ProcessLauncher& m_launcher;
  std::optional<int> m_lastExitCode;
};

// Data access, noting whether a query was opened and its rows closed again without an
// error: a list of databases is complete only when its query got that far.
class WatchedSql : public SqlConnectionFactory {
 public:
  explicit WatchedSql(SqlConnectionFactory& sql) : m_sql(sql) {}

  std::unique_ptr<SqlConnection> CreateConnection() override { return m_sql.CreateConnection(); }
  std::unique_ptr<SqlRecordset> CreateRecordset() override;

  bool QueryCompleted() const { return m_queryCompleted; }

 private:
  SqlConnectionFactory& m_sql;
  bool m_queryCompleted = false;
};

// The server enumeration, with its status kept.
class WatchedBrowser : public ServerBrowser {
 public:
  explicit WatchedBrowser(ServerBrowser& browser) : m_browser(browser) {}

  ServerEnumeration EnumerateSqlServers() override;

  // The enumeration's status; kSuccess until one ran.
  std::uint32_t Status() const { return m_status; }

 private:
  ServerBrowser& m_browser;
  std::uint32_t m_status = ServerEnumeration::kSuccess;
};

}  // namespace harrowlander::cli
