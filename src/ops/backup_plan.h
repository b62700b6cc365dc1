#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace harrowlander {

// How one database's backup of a run over several databases ended.
struct DatabaseBackupResult {
  std::string database;
  bool done = false;  // its file is complete, hashed and (when asked) verified
  std::string file;   // the workstation's file it went to
  std::optional<std::uint64_t> bytes;
  double seconds = 0;
  std::string sha256;
  bool verified = false;
  std::string failure;  // !done: the status that said why
};

// A backup of several databases of one server in one run: one connection, one transfer
// lock, folder, share and log-on for all of them, the databases one after another.
struct BackupPlan {
  // Every user database, as the database box lists them without Ctrl.
  bool allDatabases = false;
  // Databases named besides (or instead).
  std::vector<std::string> databases;
  // LIKE patterns of databases left out, whether listed or named.
  std::vector<std::string> excluded;
  // The workstation's file (a full path) for the database's backup, asked as it begins.
  std::function<std::string(const std::string& database)> fileFor;
  // Each database's end, as it comes (a success once its file is proven).
  std::function<void(const DatabaseBackupResult&)> databaseEnded;
};

}  // namespace harrowlander
