// The databases the server knows, with their files at server paths. Kept in a
// SQLite file in the state directory so that restores and drops outlive a restart.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "path_map.h"
#include "sqlite_db.h"

namespace testserver {

struct DatabaseFile {
  int fileId = 1;
  std::string logicalName;
  std::string physicalName;  // as the server reports it (a Windows path, usually)
  bool isLog = false;

  // The file that holds the tables; secondary data files and logs are plain files here.
  bool IsPrimaryData() const { return !isLog && fileId == 1; }
};

struct DatabaseEntry {
  int dbid = 0;
  std::string name;
  std::vector<DatabaseFile> files;  // by file id: the primary data file first

  const DatabaseFile& DataFile() const { return files.front(); }
  bool IsSystem() const { return dbid <= 4; }
};

class Catalog {
 public:
  // Opens the catalog of `stateDir`, creating the built-in databases and their files
  // on first use.
  Catalog(const std::filesystem::path& stateDir, const PathMap& paths);

  std::optional<DatabaseEntry> Find(std::string_view name) const;
  std::optional<DatabaseEntry> FindById(int dbid) const;
  std::vector<DatabaseEntry> All() const;
  // The database one of whose files maps onto `file`, if any.
  std::optional<DatabaseEntry> OwnerOf(const std::filesystem::path& file) const;

  DatabaseEntry Add(std::string name, std::vector<DatabaseFile> files);
  void Remove(int dbid);

  // Creates the files of `entry` that do not exist yet: an empty SQLite primary data
  // file, and preallocated logs and secondary data files.
  void CreateMissingFiles(const DatabaseEntry& entry) const;

  static constexpr uint64_t kLogFileBytes = uint64_t{1024} * 1024;  // also secondary data
  static constexpr const char* kDataDirectory =
      "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";

 private:
  void Load();
  void Insert(const DatabaseEntry& entry);

  const PathMap& m_paths;
  std::unique_ptr<SqliteDb> m_store;
  std::vector<DatabaseEntry> m_databases;
};

}  // namespace testserver
