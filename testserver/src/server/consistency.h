// The damage a database can carry in this server, and how DBCC CHECKDB finds it.
//
// Damage is a mark in the database's primary data file (SQLite's application_id), so
// it travels inside every backup of the database and comes back with every restore of
// such a backup, as damaged pages would. It plays a broken page chain: damage written
// with valid page checksums, which BACKUP WITH CHECKSUM and RESTORE VERIFYONLY do not
// see and only DBCC CHECKDB reports.
#pragma once

#include <filesystem>

namespace testserver {

// Marks the SQLite file at `dataFile` damaged; false when it cannot be opened.
bool MarkDamaged(const std::filesystem::path& dataFile);

// True when `dataFile` carries the mark, or is missing or no sound SQLite database.
bool IsDamaged(const std::filesystem::path& dataFile);

}  // namespace testserver
