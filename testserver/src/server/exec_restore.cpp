// RESTORE FILELISTONLY, RESTORE VERIFYONLY and RESTORE DATABASE ... WITH MOVE.
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

// Backup set 1 of the device, read whole and intact; sets appended after it are not
// read. WITH CHECKSUM needs a set taken WITH CHECKSUM, which its header tells before
// any data is read.
BackupSet FirstSet(ServerState& state, const std::string& written, std::string_view what,
                   bool checksum) {
  BackupDevice device = OpenBackupDevice(state.paths, written, what);
  auto fail = [&](ServerMessage error) {
    throw SqlError({std::move(error), msg::TerminatingAbnormally(what)});
  };
  auto header = ReadFirstSetHeader(device.file);
  if (!header) {
    fail(msg::MediaIncorrectlyFormed(device.disk));
  }
  if (checksum && !header->withChecksum) {
    fail(msg::NoBackupChecksums());
  }
  auto set = ReadFirstSet(device.file);
  if (!set) {
    fail(msg::MediaIncorrectlyFormed(device.disk));
  }
  return std::move(*set);
}

int Pages(uint64_t bytes) {
  return static_cast<int>((bytes + 8191) / 8192);
}

// Where each file of the set goes: its own path unless a MOVE names it (the last MOVE
// of a logical name counts).
std::vector<DatabaseFile> Destinations(const BackupSet& set,
                                       const sql::RestoreDatabaseStatement& s) {
  std::vector<DatabaseFile> files = set.files;
  for (DatabaseFile& f : files) {
    for (const auto& [logical, path] : s.moves) {
      if (EqualsNoCase(f.logicalName, logical)) {
        f.physicalName = path;
      }
    }
  }
  return files;
}

// Every reason the files cannot go where they are headed, in file order: a missing
// folder, a file of another database, two files on one path.
std::vector<ServerMessage> PlacementProblems(ServerState& state,
                                             const std::optional<DatabaseEntry>& existing,
                                             const std::vector<DatabaseFile>& files,
                                             std::vector<fs::path>& targets) {
  std::vector<ServerMessage> problems;
  for (const DatabaseFile& f : files) {
    auto mapped = state.paths.Map(f.physicalName);
    std::error_code ec;
    if (!mapped || !fs::is_directory(mapped->parent_path(), ec)) {
      problems.push_back(msg::DirectoryLookupFailed(f.physicalName));
      problems.push_back(msg::CannotRestoreFile(f.logicalName, f.physicalName));
      targets.emplace_back();
      continue;
    }
    auto owner = state.catalog.OwnerOf(*mapped);
    if (owner && (!existing || owner->dbid != existing->dbid)) {
      problems.push_back(msg::FileUsedByDatabase(f.physicalName, owner->name));
      problems.push_back(msg::CannotRestoreFile(f.logicalName, f.physicalName));
    }
    for (size_t earlier = 0; earlier < targets.size(); ++earlier) {
      // Windows names one file whatever the case of its letters.
      if (!targets[earlier].empty() && (EqualsNoCase(targets[earlier].string(), mapped->string()) ||
                                        fs::equivalent(targets[earlier], *mapped, ec))) {
        problems.push_back(msg::FileClaimedTwice(f.physicalName, files[earlier].logicalName,
                                                 files[earlier].fileId, f.logicalName, f.fileId));
      }
    }
    targets.push_back(*mapped);
  }
  return problems;
}

}  // namespace

StatementResult RunRestoreFileList(ServerState& state, SessionState&,
                                   const sql::RestoreFileListStatement& s) {
  const char* what = "RESTORE FILELIST";
  BackupDevice device = OpenBackupDevice(state.paths, s.disk, what);
  auto set = ReadFirstSetHeader(device.file);
  if (!set) {
    throw SqlError({msg::MediaIncorrectlyFormed(device.disk), msg::TerminatingAbnormally(what)});
  }
  ResultSet rows{{Column{"LogicalName", ColumnType::NVarChar, 128, true},
                  Column{"PhysicalName", ColumnType::NVarChar, 260, true},
                  Column{"Type", ColumnType::NChar, 1, true},
                  Column{"FileGroupName", ColumnType::NVarChar, 128, true},
                  Column{"Size", ColumnType::Numeric, 20, true},
                  Column{"MaxSize", ColumnType::Numeric, 20, true}},
                 {}};
  for (size_t i = 0; i < set->files.size(); ++i) {
    const DatabaseFile& f = set->files[i];
    rows.rows.push_back({f.logicalName, f.physicalName, std::string(f.isLog ? "L" : "D"),
                         f.isLog ? Cell{} : Cell{std::string("PRIMARY")},
                         static_cast<int64_t>(set->fileBytes[i]), kUnlimitedMaxSize});
  }
  StatementResult result;
  result.rows = std::move(rows);
  return result;
}

StatementResult RunRestoreVerify(ServerState& state, SessionState&,
                                 const sql::RestoreVerifyStatement& s) {
  FirstSet(state, s.disk, "VERIFY DATABASE", s.checksum);
  StatementResult result;
  result.messages.push_back(msg::BackupSetValid(1));
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
  BackupSet set = FirstSet(state, s.disk, what, s.checksum);

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

  std::vector<DatabaseFile> files = Destinations(set, s);
  std::vector<fs::path> targets;
  if (auto problems = PlacementProblems(state, existing, files, targets); !problems.empty()) {
    fail(std::move(problems));
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
    bool primary = files[i].IsPrimaryData();
    if (primary) {
      out.write(reinterpret_cast<const char*>(set.data.data()),
                static_cast<std::streamsize>(set.data.size()));
    }
    out.close();
    if (!primary) {
      fs::resize_file(targets[i], set.fileBytes[i] ? set.fileBytes[i] : Catalog::kLogFileBytes);
    }
    int pages = primary ? Pages(set.data.size()) : 1;
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
