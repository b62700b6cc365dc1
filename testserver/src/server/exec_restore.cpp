// RESTORE FILELISTONLY and RESTORE DATABASE ... WITH MOVE.
#include <algorithm>
#include <chrono>
#include <fstream>

#include "../text.h"
#include "backup_device.h"
#include "backup_file.h"
#include "executors.h"
#include "messages.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {

constexpr int64_t kUnlimitedMaxSize = 35184372080640;

BackupSet FirstSet(ServerState& state, const std::string& written, const char* what) {
  std::string disk = BackupDevicePath(written);
  auto file = state.paths.Map(disk);
  std::error_code ec;
  if (!file || !fs::is_regular_file(*file, ec)) {
    throw SqlError({msg::CannotOpenBackupDevice(disk), msg::TerminatingAbnormally(what)});
  }
  if (!std::ifstream(*file, std::ios::binary)) {
    throw SqlError({msg::CannotOpenBackupDevice(disk), msg::TerminatingAbnormally(what)});
  }
  auto sets = ReadBackupSets(*file);
  if (!sets) {
    throw SqlError({msg::MediaIncorrectlyFormed(disk), msg::TerminatingAbnormally(what)});
  }
  return std::move(sets->front());
}

int Pages(uint64_t bytes) {
  return static_cast<int>((bytes + 8191) / 8192);
}

}  // namespace

StatementResult RunRestoreFileList(ServerState& state, SessionState&,
                                   const sql::RestoreFileListStatement& s) {
  BackupSet set = FirstSet(state, s.disk, "RESTORE FILELIST");
  ResultSet rows{{Column{"LogicalName", ColumnType::NVarChar, 128, true},
                  Column{"PhysicalName", ColumnType::NVarChar, 260, true},
                  Column{"Type", ColumnType::NChar, 1, true},
                  Column{"FileGroupName", ColumnType::NVarChar, 128, true},
                  Column{"Size", ColumnType::Numeric, 20, true},
                  Column{"MaxSize", ColumnType::Numeric, 20, true}},
                 {}};
  for (size_t i = 0; i < set.files.size(); ++i) {
    const DatabaseFile& f = set.files[i];
    rows.rows.push_back({f.logicalName, f.physicalName, std::string(f.isLog ? "L" : "D"),
                         f.isLog ? Cell{} : Cell{std::string("PRIMARY")},
                         static_cast<int64_t>(set.fileBytes[i]), kUnlimitedMaxSize});
  }
  StatementResult result;
  result.rows = std::move(rows);
  return result;
}

StatementResult RunRestoreDatabase(ServerState& state, SessionState& session,
                                   const sql::RestoreDatabaseStatement& s) {
  auto started = std::chrono::steady_clock::now();
  const char* what = "RESTORE DATABASE";
  auto fail = [&](std::vector<ServerMessage> messages) {
    messages.push_back(msg::TerminatingAbnormally(what));
    throw SqlError(std::move(messages));
  };
  if (!session.sysadmin) {
    fail({msg::RestorePermissionDenied(s.database)});
  }
  if (EqualsNoCase(s.database, "tempdb")) {
    fail({msg::NotOnTempdb()});
  }
  BackupSet set = FirstSet(state, s.disk, what);

  for (const auto& [logical, path] : s.moves) {
    bool known = std::any_of(set.files.begin(), set.files.end(), [&](const DatabaseFile& f) {
      return EqualsNoCase(f.logicalName, logical);
    });
    if (!known) {
      fail({msg::LogicalFileNotInBackup(logical, set.database)});
    }
  }
  auto existing = state.catalog.Find(s.database);
  if (existing && !s.replace && !EqualsNoCase(existing->name, set.database)) {
    fail({msg::BackupOfOtherDatabase(existing->name)});
  }
  if (existing && (state.InUseByOthers(existing->name, session.spid) ||
                   EqualsNoCase(session.database, existing->name))) {
    fail({msg::ExclusiveAccess()});
  }

  std::vector<DatabaseFile> files = set.files;
  std::vector<fs::path> targets;
  for (DatabaseFile& f : files) {
    for (const auto& [logical, path] : s.moves) {
      if (EqualsNoCase(f.logicalName, logical)) {
        f.physicalName = path;
      }
    }
    auto mapped = state.paths.Map(f.physicalName);
    std::error_code ec;
    if (!mapped || !fs::is_directory(mapped->parent_path(), ec)) {
      fail({msg::DirectoryLookupFailed(f.physicalName),
            msg::CannotRestoreFile(f.logicalName, f.physicalName)});
    }
    auto owner = state.catalog.OwnerOf(*mapped);
    if (owner && (!existing || owner->dbid != existing->dbid)) {
      fail({msg::FileUsedByDatabase(f.physicalName, owner->name),
            msg::CannotRestoreFile(f.logicalName, f.physicalName)});
    }
    targets.push_back(*mapped);
  }

  std::string name = existing ? existing->name : s.database;
  if (existing) {
    for (const DatabaseFile& f : existing->files) {
      if (auto mapped = state.paths.Map(f.physicalName)) {
        std::error_code ec;
        fs::remove(*mapped, ec);
      }
    }
    state.catalog.Remove(existing->dbid);
  }
  StatementResult result;
  int total = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    std::ofstream out(targets[i], std::ios::binary | std::ios::trunc);
    if (!files[i].isLog) {
      out.write(reinterpret_cast<const char*>(set.data.data()),
                static_cast<std::streamsize>(set.data.size()));
    }
    out.close();
    if (files[i].isLog) {
      fs::resize_file(targets[i], set.fileBytes[i] ? set.fileBytes[i] : Catalog::kLogFileBytes);
    }
    int pages = files[i].isLog ? 1 : Pages(set.data.size());
    total += pages;
    result.messages.push_back(msg::ProcessedPages(pages, name, files[i].logicalName, 1));
  }
  DatabaseEntry entry = state.catalog.Add(name, files);
  state.catalog.CreateMissingFiles(entry);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  result.messages.push_back(msg::SuccessfullyProcessed(what, total, seconds));
  return result;
}

}  // namespace testserver
