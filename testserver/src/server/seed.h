// Demo and test content: tables (one referenced by a foreign key) in pubs and
// Northwind, and two user databases, Sales and Inventory. Leaves databases that
// already hold tables alone.
#pragma once

#include "server_state.h"

namespace testserver {

void SeedDatabases(ServerState& state);

}  // namespace testserver
