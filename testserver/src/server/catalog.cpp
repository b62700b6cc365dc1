#include "catalog.h"

#include <algorithm>
#include <fstream>

#include "../text.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {

struct BuiltIn {
  int dbid;
  const char* name;
  const char* dataLogical;
  const char* dataFile;
  const char* logLogical;
  const char* logFile;
};

constexpr BuiltIn kBuiltIns[] = {
    {1, "master", "master", "master.mdf", "mastlog", "mastlog.ldf"},
    {2, "tempdb", "tempdev", "tempdb.mdf", "templog", "templog.ldf"},
    {3, "model", "modeldev", "model.mdf", "modellog", "modellog.ldf"},
    {4, "msdb", "MSDBData", "msdbdata.mdf", "MSDBLog", "msdblog.ldf"},
    {5, "pubs", "pubs", "pubs.mdf", "pubs_log", "pubs_log.ldf"},
    {6, "Northwind", "Northwind", "northwnd.mdf", "Northwind_log", "northwnd.ldf"},
};

}  // namespace

Catalog::Catalog(const fs::path& stateDir, const PathMap& paths) : m_paths(paths) {
  fs::create_directories(stateDir);
  m_store = std::make_unique<SqliteDb>(stateDir / "catalog.sqlite3", true);
  m_store->Exec(
      "create table if not exists databases(dbid integer primary key, name text not null);"
      "create table if not exists files(dbid integer, fileid integer, logical text, physical "
      "text, islog integer);");
  Load();
  if (m_databases.empty()) {
    for (const BuiltIn& b : kBuiltIns) {
      DatabaseEntry entry{b.dbid,
                          b.name,
                          {{1, b.dataLogical, std::string(kDataDirectory) + b.dataFile, false},
                           {2, b.logLogical, std::string(kDataDirectory) + b.logFile, true}}};
      Insert(entry);
      m_databases.push_back(entry);
    }
  }
  for (const DatabaseEntry& entry : m_databases) {
    CreateMissingFiles(entry);
  }
}

void Catalog::Load() {
  m_databases.clear();
  for (auto& row : m_store->Query("select dbid, name from databases order by dbid")) {
    DatabaseEntry entry{std::stoi(*row[0]), *row[1], {}};
    for (auto& f : m_store->Query(
             "select fileid, logical, physical, islog from files where dbid = ? order by fileid",
             {*row[0]})) {
      entry.files.push_back(DatabaseFile{std::stoi(*f[0]), *f[1], *f[2], *f[3] == "1"});
    }
    m_databases.push_back(std::move(entry));
  }
}

void Catalog::Insert(const DatabaseEntry& entry) {
  std::string id = std::to_string(entry.dbid);
  m_store->Query("insert into databases(dbid, name) values(?, ?)", {id, entry.name});
  for (const DatabaseFile& f : entry.files) {
    m_store->Query(
        "insert into files values(?, ?, ?, ?, ?)",
        {id, std::to_string(f.fileId), f.logicalName, f.physicalName, f.isLog ? "1" : "0"});
  }
}

void Catalog::CreateMissingFiles(const DatabaseEntry& entry) const {
  for (const DatabaseFile& f : entry.files) {
    auto mapped = m_paths.Map(f.physicalName);
    if (!mapped || fs::exists(*mapped)) {
      continue;
    }
    fs::create_directories(mapped->parent_path());
    if (!f.IsPrimaryData()) {
      std::ofstream(*mapped, std::ios::binary).close();
      fs::resize_file(*mapped, kLogFileBytes);
    } else {
      SqliteDb db(*mapped, true);
      db.Exec("pragma user_version = 1");
    }
  }
}

std::optional<DatabaseEntry> Catalog::Find(std::string_view name) const {
  for (const DatabaseEntry& entry : m_databases) {
    if (EqualsNoCase(entry.name, name)) {
      return entry;
    }
  }
  return std::nullopt;
}

std::optional<DatabaseEntry> Catalog::FindById(int dbid) const {
  for (const DatabaseEntry& entry : m_databases) {
    if (entry.dbid == dbid) {
      return entry;
    }
  }
  return std::nullopt;
}

std::vector<DatabaseEntry> Catalog::All() const {
  return m_databases;
}

std::optional<DatabaseEntry> Catalog::OwnerOf(const fs::path& file) const {
  std::error_code ec;
  for (const DatabaseEntry& entry : m_databases) {
    for (const DatabaseFile& f : entry.files) {
      auto mapped = m_paths.Map(f.physicalName);
      if (!mapped) {
        continue;
      }
      if (*mapped == file || fs::equivalent(*mapped, file, ec)) {
        return entry;
      }
    }
  }
  return std::nullopt;
}

DatabaseEntry Catalog::Add(std::string name, std::vector<DatabaseFile> files) {
  int dbid = 7;
  for (const DatabaseEntry& entry : m_databases) {
    dbid = std::max(dbid, entry.dbid + 1);
  }
  DatabaseEntry entry{dbid, std::move(name), std::move(files)};
  Insert(entry);
  m_databases.push_back(entry);
  return entry;
}

void Catalog::Remove(int dbid) {
  std::string id = std::to_string(dbid);
  m_store->Query("delete from files where dbid = ?", {id});
  m_store->Query("delete from databases where dbid = ?", {id});
  std::erase_if(m_databases, [dbid](const DatabaseEntry& e) { return e.dbid == dbid; });
}

}  // namespace testserver
