// The system tables the played server answers queries on, built from the catalog
// and from the SQLite file of the database they belong to.
#pragma once

#include <optional>
#include <string_view>

#include "result.h"
#include "server_state.h"

namespace testserver {

// nullopt when `table` is not a system table of `database`.
std::optional<ResultSet> SystemTable(ServerState& state, const DatabaseEntry& database,
                                     std::string_view table);

// The rows of a user table, every column as text; nullopt when there is no such table.
std::optional<ResultSet> UserTable(ServerState& state, const DatabaseEntry& database,
                                   std::string_view table);

// The user tables of a database, read from its data file, in name order.
std::vector<std::string> UserTables(ServerState& state, const DatabaseEntry& database);

// The sysobjects id of the user table at `index` of UserTables: large ids, as on the
// played server.
inline int64_t UserTableId(size_t index) {
  return 1977058079 + 16 * static_cast<int64_t>(index);
}

}  // namespace testserver
