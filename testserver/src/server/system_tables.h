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

// The user tables of a database, read from its data file.
std::vector<std::string> UserTables(ServerState& state, const DatabaseEntry& database);

}  // namespace testserver
