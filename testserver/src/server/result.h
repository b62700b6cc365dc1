// What a statement produces, independent of the wire format: messages, at most one
// result set, and for procedures a return status.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace testserver {

struct ServerMessage {
  int32_t number = 0;
  uint8_t state = 1;
  uint8_t severity = 16;  // 10 and below travel as INFO, above as ERROR
  std::string text;
  bool IsError() const { return severity > 10; }
};

enum class ColumnType { NVarChar, NChar, Int, Numeric };

struct Column {
  std::string name;
  ColumnType type = ColumnType::NVarChar;
  uint16_t length = 128;  // characters for text columns
  bool nullable = true;
};

using Cell = std::optional<std::variant<std::string, int64_t>>;
using Row = std::vector<Cell>;

struct ResultSet {
  std::vector<Column> columns;
  std::vector<Row> rows;
};

struct StatementResult {
  std::optional<std::string> databaseChange;  // USE: the new current database
  std::vector<ServerMessage> messages;        // before the rows
  std::optional<ResultSet> rows;
  std::vector<ServerMessage> trailing;  // after the rows, e.g. DBCC's closing message
  std::optional<int32_t> returnStatus;  // set for procedures
  bool failed = false;
};

// Raised inside statement execution; the messages go to the client, the batch goes on.
struct SqlError : std::runtime_error {
  explicit SqlError(std::vector<ServerMessage> m)
      : std::runtime_error(m.empty() ? "" : m.front().text), messages(std::move(m)) {}
  explicit SqlError(ServerMessage m) : SqlError(std::vector<ServerMessage>{std::move(m)}) {}
  std::vector<ServerMessage> messages;
};

}  // namespace testserver
