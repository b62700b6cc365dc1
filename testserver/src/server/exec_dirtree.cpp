// xp_dirtree 'folder' [, depth [, files]]: the folders (and files) below a folder of
// the server, depth first, each level in name order.
#include <algorithm>

#include "../text.h"
#include "messages.h"
#include "procedures.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {

struct Listing {
  int64_t maxDepth = 0;  // 0: every level
  bool withFiles = false;
  ResultSet rows;

  void Add(const fs::path& folder, int64_t depth) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return LessNoCase(a.path().filename().string(), b.path().filename().string());
    });
    for (const auto& entry : entries) {
      bool isFolder = entry.is_directory(ec);
      if (!isFolder && !withFiles) {
        continue;
      }
      Row& row = rows.rows.emplace_back(rows.columns.size());
      row[0] = entry.path().filename().string();
      row[1] = depth;
      if (withFiles) {
        row[2] = int64_t{isFolder ? 0 : 1};
      }
      if (isFolder && (maxDepth == 0 || depth < maxDepth)) {
        Add(entry.path(), depth + 1);
      }
    }
  }
};

}  // namespace

StatementResult RunDirTree(ServerState& state, SessionState& session, const sql::ExecStatement& s,
                           BatchContext& batch) {
  if (!session.sysadmin) {
    throw SqlError(msg::ExecutePermissionDenied("xp_dirtree"));
  }
  // An extended procedure takes its arguments by position, whatever they are called.
  auto positional = [&](size_t i) {
    return i < s.arguments.size() ? ArgumentValue(s.arguments[i], batch) : Cell{};
  };
  auto number = [&](size_t i) {
    Cell value = positional(i);
    auto* n = value ? std::get_if<int64_t>(&*value) : nullptr;
    return n ? *n : int64_t{0};
  };
  Listing listing;
  listing.maxDepth = number(1);
  listing.withFiles = number(2) != 0;
  listing.rows.columns = {Column{"subdirectory", ColumnType::NVarChar, 255, true},
                          Column{"depth", ColumnType::Int, 4, true}};
  if (listing.withFiles) {
    listing.rows.columns.push_back(Column{"file", ColumnType::Int, 4, true});
  }
  Cell folder = positional(0);
  if (folder && std::holds_alternative<std::string>(*folder)) {
    // A folder that is not there lists nothing, without an error.
    if (auto mapped = state.paths.Map(std::get<std::string>(*folder))) {
      listing.Add(*mapped, 1);
    }
  }
  StatementResult result;
  result.rows = std::move(listing.rows);
  result.returnStatus = 0;
  return result;
}

}  // namespace testserver
