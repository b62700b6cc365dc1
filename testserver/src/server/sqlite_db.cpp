#include "sqlite_db.h"

namespace testserver {

SqliteDb::SqliteDb(const std::filesystem::path& file, bool create) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
    std::string error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
    sqlite3_close(m_db);
    m_db = nullptr;
    throw SqliteFailure(file.string() + ": " + error);
  }
  sqlite3_busy_timeout(m_db, 5000);
  // A test double needs no protection against power loss, and fsyncs cost startup time.
  Exec("pragma synchronous = off");
}

SqliteDb::~SqliteDb() {
  sqlite3_close(m_db);
}

void SqliteDb::Exec(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string text = error ? error : "unknown error";
    sqlite3_free(error);
    throw SqliteFailure(text);
  }
}

std::vector<std::vector<std::optional<std::string>>> SqliteDb::Query(
    const std::string& sql, const std::vector<std::string>& parameters) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    throw SqliteFailure(sqlite3_errmsg(m_db));
  }
  for (size_t i = 0; i < parameters.size(); ++i) {
    sqlite3_bind_text(statement, static_cast<int>(i + 1), parameters[i].c_str(), -1,
                      SQLITE_TRANSIENT);
  }
  std::vector<std::vector<std::optional<std::string>>> rows;
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    auto& row = rows.emplace_back();
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
      const unsigned char* text = sqlite3_column_text(statement, c);
      row.push_back(text ? std::optional<std::string>(reinterpret_cast<const char*>(text))
                         : std::nullopt);
    }
  }
  sqlite3_finalize(statement);
  if (rc != SQLITE_DONE) {
    throw SqliteFailure(sqlite3_errmsg(m_db));
  }
  return rows;
}

std::vector<uint8_t> SqliteDb::Serialize() {
  sqlite3_int64 size = 0;
  unsigned char* image = sqlite3_serialize(m_db, "main", &size, 0);
  if (!image) {
    // An empty database has no pages yet.
    return {};
  }
  std::vector<uint8_t> bytes(image, image + size);
  sqlite3_free(image);
  return bytes;
}

}  // namespace testserver
