// A small owner of one SQLite connection: the catalog and every database's tables
// live in SQLite files.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace testserver {

struct SqliteFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class SqliteDb {
 public:
  // Opens (creating when asked) the file; throws SqliteFailure.
  SqliteDb(const std::filesystem::path& file, bool create);
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  void Exec(const std::string& sql);
  // Runs one statement with text parameters bound in order; returns every row.
  std::vector<std::vector<std::optional<std::string>>> Query(
      const std::string& sql, const std::vector<std::string>& parameters = {});
  // A consistent image of the whole database file.
  std::vector<uint8_t> Serialize();

  sqlite3* Handle() { return m_db; }

 private:
  sqlite3* m_db = nullptr;
};

}  // namespace testserver
