// The backup file format of this server (its own, not the played product's): a file
// is a sequence of backup sets, each holding the database's name, its files' logical
// and physical names, and an image of its data file.
//
//   set    := "HLTSBSET" u32 header-length header u64 data-length data
//   header := UTF-8 lines "key=value"; keys: database, created, file
//   file   := fileid TAB islog TAB bytes TAB logical-name TAB physical-name
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "catalog.h"

namespace testserver {

struct BackupSet {
  std::string database;
  std::string created;
  std::vector<DatabaseFile> files;
  std::vector<uint64_t> fileBytes;  // size of each file at backup time
  std::vector<uint8_t> data;        // image of the data file
};

// Writes the set, replacing the file when `init`, else appending to it. False on an
// I/O failure.
bool WriteBackupSet(const std::filesystem::path& file, const BackupSet& set, bool init);

// Every set of the file; nullopt when the file is not in this format.
std::optional<std::vector<BackupSet>> ReadBackupSets(const std::filesystem::path& file);

}  // namespace testserver
