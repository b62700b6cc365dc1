#include "consistency.h"

#include <string>

#include "sqlite_db.h"

namespace testserver {

namespace {
constexpr const char* kDamageMark = "1145130311";  // "DAMG" as a big-endian number
}  // namespace

bool MarkDamaged(const std::filesystem::path& dataFile) {
  try {
    SqliteDb db(dataFile, false);
    db.Exec(std::string("pragma application_id = ") + kDamageMark);
    return true;
  } catch (const SqliteFailure&) {
    return false;
  }
}

bool IsDamaged(const std::filesystem::path& dataFile) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(dataFile, ec)) {
    return true;
  }
  try {
    SqliteDb db(dataFile, false);
    auto mark = db.Query("pragma application_id");
    auto check = db.Query("pragma quick_check");
    return mark.empty() || mark[0][0] == kDamageMark || check.empty() || check[0][0] != "ok";
  } catch (const SqliteFailure&) {
    return true;
  }
}

}  // namespace testserver
