// Demo and test content: tables (one referenced by a foreign key) in pubs and
// Northwind, and two user databases, Sales and Inventory; with `withArchive` also
// Archive, whose data lives in two files (Archive_Data.MDF, Archive_Data2.NDF) besides
// its log. Leaves databases that already hold tables alone.
#pragma once

#include "server_state.h"

namespace testserver {

void SeedDatabases(ServerState& state, bool withArchive = false);

}  // namespace testserver
