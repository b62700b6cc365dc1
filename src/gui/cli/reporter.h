#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/cli/console.h"
#include "gui/cli/copy_meter.h"
#include "ops/backup_plan.h"

namespace harrowlander::cli {

// How a command ended, for the last line of --json.
struct RunResult {
  std::string command;
  int exitCode = 0;
  // "done", "failed", "stopped" or "nothing" (nothing was done); empty before a run.
  std::string outcome;
  std::string status;  // the last status the dialog showed
  std::string reason;  // what the system said about a failure, when the status quotes less
  std::optional<std::string> file;
  std::optional<std::uint64_t> bytes;
  // A backup's: the SHA-256 of the file, and whether the server verified the backup.
  std::optional<std::string> sha256;
  std::optional<bool> verified;
  double seconds = 0;
  // A backup of several databases: how many were backed up, and the ones that failed.
  std::optional<int> backedUp;
  std::vector<std::string> failedDatabases;
};

// An older backup that retention deleted (or, in a dry run, would delete).
struct Deletion {
  std::string database;
  std::string file;
  bool sidecar = false;  // its .sha256 went with it
  bool dryRun = false;
};

// Everything the command line tells its user, as text or as JSON lines.
class Reporter {
 public:
  virtual ~Reporter() = default;

  // A new text on the dialog's status line.
  virtual void Status(const std::string& text) = 0;
  // A message box; `answer` is "yes" or "no" for a question, empty otherwise.
  virtual void Message(const std::string& text, const std::string& caption,
                       const std::string& answer) = 0;
  // A copy started (copied 0), went on or ended (copied == total).
  virtual void Progress(std::uint64_t total, std::uint64_t copied) = 0;
  // The server's percentage of a long step: "backup" or "restore".
  virtual void ServerProgress(const std::string& step, int percent) = 0;
  // One entry of a list: kind "database" or "server".
  virtual void Listed(const std::string& kind, const std::string& name) = 0;
  // The command line's own complaint: a usage error, a refusal, a failure it found.
  virtual void Error(const std::string& text) = 0;
  // What the command line does about a signal (or console event) named `signal`.
  virtual void Signal(const std::string& signal, const std::string& text) = 0;
  // One database of a backup of several has ended, backed up or not.
  virtual void DatabaseEnded(const DatabaseBackupResult& result) = 0;
  // Retention deleted an older backup (its status line is reported besides).
  virtual void Deleted(const Deletion& deletion) = 0;
  virtual void Finished(const RunResult& result) = 0;
};

// Status and messages on standard error, lists on standard output; the progress of a
// copy or of the server as a bar redrawn on a terminal, otherwise one line per 10 %.
std::unique_ptr<Reporter> MakeTextReporter(Console& console);
// One JSON object a line on standard output.
std::unique_ptr<Reporter> MakeJsonReporter(Console& console);

// Measures a copy from its first progress call.
class CopyClock {
 public:
  CopyReading Read(std::uint64_t total, std::uint64_t copied);

 private:
  std::optional<std::chrono::steady_clock::time_point> m_start;
};

}  // namespace harrowlander::cli
