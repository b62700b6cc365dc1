#include "system_tables.h"

#include "../text.h"

namespace testserver {

namespace {

Column Text(const char* name, uint16_t length) {
  return Column{name, ColumnType::NVarChar, length, false};
}
Column Fixed(const char* name, uint16_t length) {
  return Column{name, ColumnType::NChar, length, false};
}
Column Int(const char* name) {
  return Column{name, ColumnType::Int, 4, false};
}

ResultSet SysDatabases(ServerState& state) {
  ResultSet table{{Text("name", 128), Int("dbid"), Text("filename", 260)}, {}};
  for (const DatabaseEntry& db : state.catalog.All()) {
    table.rows.push_back({db.name, int64_t{db.dbid}, db.DataFile().physicalName});
  }
  return table;
}

// sysaltfiles and sysfiles hold their names in fixed-width columns, padded with blanks.
ResultSet SysAltFiles(ServerState& state) {
  ResultSet table{{Int("dbid"), Int("fileid"), Fixed("name", 128), Fixed("filename", 260)}, {}};
  for (const DatabaseEntry& db : state.catalog.All()) {
    for (const DatabaseFile& f : db.files) {
      table.rows.push_back({int64_t{db.dbid}, int64_t{f.fileId}, f.logicalName, f.physicalName});
    }
  }
  return table;
}

ResultSet SysFiles(const DatabaseEntry& db) {
  ResultSet table{{Int("fileid"), Int("groupid"), Fixed("name", 128), Fixed("filename", 260)}, {}};
  for (const DatabaseFile& f : db.files) {
    table.rows.push_back(
        {int64_t{f.fileId}, int64_t{f.isLog ? 0 : 1}, f.logicalName, f.physicalName});
  }
  return table;
}

// The client sessions (the played server's own system processes are left out), with
// the fixed-width columns padded as the real table pads them.
ResultSet SysProcesses(ServerState& state) {
  ResultSet table{{Int("spid"), Int("dbid"), Fixed("hostname", 128), Fixed("program_name", 128),
                   Fixed("loginame", 128)},
                  {}};
  for (const auto& [spid, session] : state.sessions) {
    auto database = state.catalog.Find(session.database);
    table.rows.push_back({int64_t{spid}, database ? Cell{int64_t{database->dbid}} : Cell{},
                          session.hostName, session.programName, session.login});
  }
  return table;
}

ResultSet SysObjects(ServerState& state, const DatabaseEntry& db) {
  ResultSet table{{Text("name", 128), Int("id"), Fixed("xtype", 2), Fixed("type", 2)}, {}};
  int64_t id = 1;
  for (const char* system : {"sysobjects", "sysindexes", "syscolumns", "systypes", "sysfiles"}) {
    table.rows.push_back({std::string(system), id++, std::string("S"), std::string("S")});
  }
  const std::vector<std::string> tables = UserTables(state, db);
  for (size_t i = 0; i < tables.size(); ++i) {
    table.rows.push_back({tables[i], UserTableId(i), std::string("U"), std::string("U")});
  }
  return table;
}

}  // namespace

std::vector<std::string> UserTables(ServerState& state, const DatabaseEntry& database) {
  auto file = state.paths.Map(database.DataFile().physicalName);
  std::vector<std::string> names;
  if (!file || !std::filesystem::exists(*file)) {
    return names;
  }
  SqliteDb db(*file, false);
  for (auto& row : db.Query("select name from sqlite_master where type = 'table' and name not "
                            "like 'sqlite\\_%' escape '\\' order by name")) {
    names.push_back(*row[0]);
  }
  return names;
}

std::optional<ResultSet> UserTable(ServerState& state, const DatabaseEntry& database,
                                   std::string_view table) {
  for (const std::string& name : UserTables(state, database)) {
    if (!EqualsNoCase(name, table)) {
      continue;
    }
    SqliteDb db(*state.paths.Map(database.DataFile().physicalName), false);
    ResultSet rows;
    for (auto& column : db.Query("select name from pragma_table_info(?)", {name})) {
      rows.columns.push_back(Column{*column[0], ColumnType::NVarChar, 4000, true});
    }
    std::string quoted = "\"";
    for (char c : name) {
      quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    for (auto& values : db.Query("select * from " + quoted + "\"")) {
      Row row;
      for (auto& value : values) {
        row.push_back(value ? Cell{*value} : Cell{});
      }
      rows.rows.push_back(std::move(row));
    }
    return rows;
  }
  return std::nullopt;
}

std::optional<ResultSet> SystemTable(ServerState& state, const DatabaseEntry& database,
                                     std::string_view table) {
  bool inMaster = database.dbid == 1;
  if (inMaster && EqualsNoCase(table, "sysdatabases")) {
    return SysDatabases(state);
  }
  if (inMaster && EqualsNoCase(table, "sysaltfiles")) {
    return SysAltFiles(state);
  }
  if (inMaster && EqualsNoCase(table, "sysprocesses")) {
    return SysProcesses(state);
  }
  if (EqualsNoCase(table, "sysfiles")) {
    return SysFiles(database);
  }
  if (EqualsNoCase(table, "sysobjects")) {
    return SysObjects(state, database);
  }
  return std::nullopt;
}

}  // namespace testserver
