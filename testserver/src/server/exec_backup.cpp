// BACKUP DATABASE and BACKUP LOG.
#include <chrono>
#include <ctime>

#include "../text.h"
#include "backup_device.h"
#include "backup_file.h"
#include "executors.h"
#include "messages.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {

constexpr int kPageBytes = 8192;

int Pages(uint64_t bytes) {
  return static_cast<int>((bytes + kPageBytes - 1) / kPageBytes);
}

std::string Now() {
  std::time_t t = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", std::gmtime(&t));
  return text;
}

}  // namespace

StatementResult RunBackupDatabase(ServerState& state, SessionState& session,
                                  const sql::BackupDatabaseStatement& s, BatchContext& batch) {
  auto started = std::chrono::steady_clock::now();
  const char* what = "BACKUP DATABASE";
  // Backup compression came with SQL Server 2008.
  if (s.compression && state.product == Product::k2000) {
    throw SqlError(msg::IncorrectSyntax("compression"));
  }
  auto database = state.catalog.Find(s.database);
  if (!database) {
    throw SqlError({msg::NoSuchDatabase(s.database), msg::TerminatingAbnormally(what)});
  }
  if (!session.sysadmin) {
    throw SqlError({msg::PermissionDenied(what, database->name), msg::TerminatingAbnormally(what)});
  }
  if (EqualsNoCase(database->name, "tempdb")) {
    throw SqlError({msg::NotOnTempdb(), msg::TerminatingAbnormally(what)});
  }
  std::string disk = BackupDevicePath(s.disk);
  auto target = state.paths.Map(disk);
  std::error_code ec;
  if (!target || !fs::is_directory(target->parent_path(), ec) || fs::is_directory(*target, ec)) {
    throw SqlError({msg::CannotOpenBackupDevice(disk), msg::TerminatingAbnormally(what)});
  }
  int position = 1;
  if (!s.init && fs::exists(*target)) {
    auto existing = ReadBackupSets(*target);
    if (!existing) {
      throw SqlError({msg::MediaIncorrectlyFormed(disk), msg::TerminatingAbnormally(what)});
    }
    position = static_cast<int>(existing->size()) + 1;
  }

  BackupSet set;
  set.database = database->name;
  set.created = Now();
  set.files = database->files;
  set.withChecksum = s.checksum;
  set.copyOnly = s.copyOnly;
  set.compressed = s.compression;
  for (const DatabaseFile& f : database->files) {
    auto mapped = state.paths.Map(f.physicalName);
    set.fileBytes.push_back(mapped && fs::exists(*mapped) ? fs::file_size(*mapped) : 0);
    if (f.IsPrimaryData() && mapped) {
      SqliteDb db(*mapped, true);
      set.data = db.Serialize();
    }
  }
  if (!WriteBackupSet(*target, set, s.init)) {
    throw SqlError({msg::CannotOpenBackupDevice(disk), msg::TerminatingAbnormally(what)});
  }
  if (batch.cutBackupTo) {
    // The disk filled up part-way: what was written stays behind.
    if (*batch.cutBackupTo < fs::file_size(*target, ec)) {
      fs::resize_file(*target, *batch.cutBackupTo, ec);
    }
    throw SqlError(
        {msg::WriteFailedDiskFull(state.product, disk), msg::TerminatingAbnormally(what)});
  }

  StatementResult result;
  int total = 0;
  for (const DatabaseFile& f : database->files) {
    // The log contributes the few pages of its active part, as a full backup copies, and
    // a secondary data file here holds no tables.
    int pages = f.IsPrimaryData() ? Pages(set.data.size()) : 1;
    total += pages;
    result.messages.push_back(msg::ProcessedPages(pages, database->name, f.logicalName, position));
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  result.messages.push_back(msg::SuccessfullyProcessed(what, total, seconds));
  return result;
}

StatementResult RunBackupLog(ServerState& state, SessionState& session,
                             const sql::BackupLogStatement& s) {
  const char* what = "BACKUP LOG";
  // A release without log truncation refuses the option before it looks at anything else.
  if (s.noLog && !DescribeProduct(state.product).truncatesLogWithoutBackup) {
    throw SqlError({msg::OptionsNotSupported(s.noLogOption), msg::TerminatingAbnormally(what)});
  }
  auto database = state.catalog.Find(s.database);
  if (!database) {
    throw SqlError({msg::NoSuchDatabase(s.database), msg::TerminatingAbnormally(what)});
  }
  if (!session.sysadmin) {
    throw SqlError({msg::PermissionDenied(what, database->name), msg::TerminatingAbnormally(what)});
  }
  if (!s.noLog) {
    // Every database here runs in the simple recovery model.
    throw SqlError({ServerMessage{4208, 1, 16,
                                  "The statement BACKUP LOG is not allowed while the recovery "
                                  "model is SIMPLE. Use BACKUP DATABASE or change the recovery "
                                  "model using ALTER DATABASE."},
                    msg::TerminatingAbnormally(what)});
  }
  // Truncating the log only marks its space reusable; the file keeps its size.
  return StatementResult{};
}

}  // namespace testserver
