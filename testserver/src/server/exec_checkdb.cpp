// DBCC CHECKDB: a report per table of the database and a summary, and for a damaged
// database (consistency.h) two consistency errors in its first table.
#include "../text.h"
#include "consistency.h"
#include "executors.h"
#include "messages.h"
#include "system_tables.h"

namespace testserver {

namespace {

// The rows of each user table, in UserTables order; empty when the file cannot be read.
std::vector<int64_t> RowCounts(const std::filesystem::path& file,
                               const std::vector<std::string>& tables) {
  std::vector<int64_t> counts;
  try {
    SqliteDb db(file, false);
    for (const std::string& table : tables) {
      std::string quoted = "\"";
      for (char c : table) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      }
      auto rows = db.Query("select count(*) from " + quoted + "\"");
      counts.push_back(rows.empty() || !rows[0][0] ? 0 : std::stoll(*rows[0][0]));
    }
  } catch (const std::exception&) {
    counts.assign(tables.size(), 0);
  }
  return counts;
}

// Roughly a hundred rows to a data page, as the seeded tables' short rows fill them.
int64_t PagesFor(int64_t rows) {
  return rows == 0 ? 0 : 1 + (rows - 1) / 100;
}

}  // namespace

StatementResult RunCheckDb(ServerState& state, SessionState& session,
                           const sql::CheckDbStatement& s) {
  std::optional<DatabaseEntry> database;
  std::string named = s.database;
  if (s.databaseId) {
    database = state.catalog.FindById(static_cast<int>(*s.databaseId));
    named = std::to_string(*s.databaseId);
  } else {
    database = state.catalog.Find(s.database.empty() ? session.database : s.database);
  }
  if (!database) {
    throw SqlError(msg::DatabaseNotFoundForDbcc(state.product, named));
  }
  if (!session.sysadmin) {
    throw SqlError(msg::DbccPermissionDenied(session.login, "CHECKDB"));
  }
  auto file = state.paths.Map(database->DataFile().physicalName);
  const bool damaged = !file || IsDamaged(*file);
  std::vector<std::string> tables;
  try {
    tables = UserTables(state, *database);
  } catch (const std::exception&) {
    // A data file that is no database at all: its report names no tables.
  }
  const std::vector<int64_t> rows = file ? RowCounts(*file, tables) : std::vector<int64_t>();

  StatementResult result;
  result.failed = damaged;
  auto info = [&](ServerMessage message) {
    if (!s.noInfoMessages) {
      result.messages.push_back(std::move(message));
    }
  };
  // The damage sits in the first table's page chain, or in sysobjects when there is no
  // user table: two errors, then the table's line and its summary.
  auto report = [&](const std::string& table, int64_t objectId, int64_t rowCount, bool hit) {
    info(msg::DbccResultsFor(table));
    if (hit) {
      result.messages.push_back(
          msg::PageNotSeenInScan(state.product, objectId, "(1:158)", "(1:157)", "(1:156)"));
      result.messages.push_back(
          msg::MissingPreviousReference(state.product, objectId, "(1:159)", "(1:158)"));
    }
    info(msg::RowsInPages(state.product, rowCount, PagesFor(rowCount), table));
    if (hit) {
      result.messages.push_back(msg::TableErrorsFound(0, 2, table, objectId));
    }
  };
  info(msg::DbccResultsFor(database->name));
  if (damaged && tables.empty()) {
    report("sysobjects", 1, 5, true);
  }
  for (size_t i = 0; i < tables.size(); ++i) {
    report(tables[i], UserTableId(i), i < rows.size() ? rows[i] : 0, damaged && i == 0);
  }
  if (damaged) {
    // The summary of a database with errors comes even WITH NO_INFOMSGS.
    result.messages.push_back(msg::DatabaseErrorsFound(0, 2, database->name));
    result.messages.push_back(msg::MinimumRepairLevel(database->name));
  } else {
    info(msg::DatabaseErrorsFound(0, 0, database->name));
  }
  info(msg::DbccCompleted());
  return result;
}

}  // namespace testserver
