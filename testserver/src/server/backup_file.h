// The backup file format of this server (its own, not the played product's): a file
// is a sequence of backup sets, each holding the database's name, its files' logical
// and physical names, and an image of its primary data file.
//
//   set    := "HLTSBSET" u32 header-length header u64 data-length data
//   header := UTF-8 lines "key=value"; keys: database, created, file, with-checksum,
//             copy-only, compressed, checksum
//   compressed := the data's length before zlib deflated it (WITH COMPRESSION)
//   file   := fileid TAB islog TAB bytes TAB logical-name TAB physical-name
//   with-checksum, copy-only := 1 when the BACKUP said WITH CHECKSUM / COPY_ONLY, else 0
//   checksum := CRC-32 (8 hex digits) of the header's other lines and the data
//
// Sets written before the checksum existed carry none; they are checked by their
// structure alone. The CRC guards the file whatever the BACKUP said; with-checksum
// records the statement's option, which RESTORE ... WITH CHECKSUM asks for. Sets
// without the with-checksum or copy-only line were taken without the option.
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
  std::vector<uint8_t> data;        // image of the primary data file
  bool withChecksum = false;        // taken WITH CHECKSUM
  bool copyOnly = false;            // taken WITH COPY_ONLY
  bool compressed = false;          // WITH COMPRESSION: the image is stored deflated
};

// Writes the set, replacing the file when `init`, else appending to it. False on an
// I/O failure.
bool WriteBackupSet(const std::filesystem::path& file, const BackupSet& set, bool init);

// Every set of the file, each read whole and checked against its checksum; nullopt
// when the file is not in this format, ends early or was altered.
std::optional<std::vector<BackupSet>> ReadBackupSets(const std::filesystem::path& file);

// The header of the first set, its data left empty: all that listing the files needs,
// so a file cut short after that header still answers.
std::optional<BackupSet> ReadFirstSetHeader(const std::filesystem::path& file);

// The first set read whole and checked against its checksum, as a restore of backup set
// 1 reads it; whatever follows it in the file is not looked at.
std::optional<BackupSet> ReadFirstSet(const std::filesystem::path& file);

}  // namespace testserver
