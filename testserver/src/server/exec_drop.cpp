// DROP DATABASE and DROP TABLE.
#include "../text.h"
#include "executors.h"
#include "messages.h"
#include "system_tables.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') {
      out += '"';
    }
  }
  return out + "\"";
}

// The table of `db` that has a foreign key to `table`, if any.
std::optional<std::string> ReferencingTable(SqliteDb& db, const std::vector<std::string>& tables,
                                            const std::string& table) {
  for (const std::string& other : tables) {
    if (EqualsNoCase(other, table)) {
      continue;
    }
    for (auto& key : db.Query("select \"table\" from pragma_foreign_key_list(?)", {other})) {
      if (key[0] && EqualsNoCase(*key[0], table)) {
        return other;
      }
    }
  }
  return std::nullopt;
}

}  // namespace

StatementResult RunDropDatabase(ServerState& state, SessionState& session,
                                const sql::DropDatabaseStatement& s) {
  StatementResult result;
  for (const std::string& name : s.databases) {
    auto database = state.catalog.Find(name);
    if (!database) {
      throw SqlError(msg::CannotDropMissingDatabase(name));
    }
    if (!session.sysadmin) {
      throw SqlError(msg::PermissionDenied("DROP DATABASE", database->name));
    }
    if (database->IsSystem()) {
      throw SqlError(msg::CannotDropSystemDatabase(database->name));
    }
    if (state.InUseByOthers(database->name, session.spid) ||
        EqualsNoCase(session.database, database->name)) {
      throw SqlError(msg::DatabaseInUse(database->name));
    }
    // The played server reports the log file first.
    for (auto it = database->files.rbegin(); it != database->files.rend(); ++it) {
      const DatabaseFile& f = *it;
      auto mapped = state.paths.Map(f.physicalName);
      std::error_code ec;
      if (mapped && fs::remove(*mapped, ec)) {
        result.messages.push_back(
            ServerMessage{0, 1, 0, Format("Deleting database file '%s'.", f.physicalName.c_str())});
      }
    }
    state.catalog.Remove(database->dbid);
  }
  return result;
}

StatementResult RunDropTable(ServerState& state, SessionState& session,
                             const sql::DropTableStatement& s) {
  for (const sql::ObjectName& name : s.tables) {
    std::string databaseName = name.database.empty() ? session.database : name.database;
    auto database = state.catalog.Find(databaseName);
    if (!database) {
      throw SqlError(msg::NoSuchDatabase(databaseName));
    }
    std::vector<std::string> tables = UserTables(state, *database);
    std::optional<std::string> table;
    for (const std::string& t : tables) {
      if (EqualsNoCase(t, name.object)) {
        table = t;
      }
    }
    bool ownerOk = name.owner.empty() || EqualsNoCase(name.owner, "dbo");
    if (!table || !ownerOk) {
      throw SqlError(msg::CannotDropMissingTable(name.object));
    }
    if (!session.sysadmin) {
      throw SqlError(msg::TablePermissionDenied(*table));
    }
    auto file = state.paths.Map(database->DataFile().physicalName);
    SqliteDb db(*file, false);
    if (ReferencingTable(db, tables, *table)) {
      throw SqlError(msg::ReferencedByForeignKey(*table));
    }
    db.Exec("drop table " + Quoted(*table));
  }
  return StatementResult{};
}

}  // namespace testserver
