// DBCC SHRINKDATABASE: compacts the data file and reports sizes in 8 KB pages.
#include "../text.h"
#include "executors.h"
#include "messages.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {
int64_t Pages(const fs::path& file) {
  std::error_code ec;
  auto bytes = fs::file_size(file, ec);
  return ec ? 0 : static_cast<int64_t>((bytes + 8191) / 8192);
}
}  // namespace

StatementResult RunShrinkDatabase(ServerState& state, SessionState& session,
                                  const sql::ShrinkDatabaseStatement& s) {
  auto database = s.databaseId ? state.catalog.FindById(static_cast<int>(*s.databaseId))
                               : state.catalog.Find(s.database);
  if (!database) {
    throw SqlError(msg::DatabaseNotFoundForDbcc(
        state.product, s.databaseId ? std::to_string(*s.databaseId) : s.database));
  }
  if (!session.sysadmin) {
    throw SqlError(msg::DbccPermissionDenied(session.login, "SHRINKDATABASE"));
  }
  if (s.targetPercent < 0 || s.targetPercent > 100) {
    throw SqlError(ServerMessage{
        2536, 1, 16, "Specified target percent is out of range. It must be between 0 and 100."});
  }
  ResultSet rows{
      {Column{"DbId", ColumnType::Int, 4, false}, Column{"FileId", ColumnType::Int, 4, false},
       Column{"CurrentSize", ColumnType::Int, 4, false},
       Column{"MinimumSize", ColumnType::Int, 4, false},
       Column{"UsedPages", ColumnType::Int, 4, false},
       Column{"EstimatedPages", ColumnType::Int, 4, false}},
      {}};
  for (const DatabaseFile& f : database->files) {
    auto mapped = state.paths.Map(f.physicalName);
    if (!mapped || !fs::exists(*mapped)) {
      continue;
    }
    if (f.IsPrimaryData()) {
      SqliteDb db(*mapped, false);
      db.Exec("vacuum");
    }
    int64_t pages = Pages(*mapped);
    int64_t used = f.IsPrimaryData() ? pages : 1;
    rows.rows.push_back(
        {int64_t{database->dbid}, int64_t{f.fileId}, pages, int64_t{1}, used, used});
  }
  StatementResult result;
  result.rows = std::move(rows);
  if (!s.noInfoMessages) {
    result.trailing.push_back(msg::DbccCompleted());
  }
  return result;
}

}  // namespace testserver
