#pragma once

#include "platform/odbc/buffered_rows.h"
#include "ports/sql_connection.h"

namespace harrowlander::odbc {

// A static, read-only recordset over rows buffered in memory. Opening it runs the
// query on an OdbcConnection and reads all of its rows at once.
class OdbcRecordset : public SqlRecordset {
 public:
  OdbcRecordset() = default;
  explicit OdbcRecordset(BufferedRows rows) : m_rows(std::move(rows)), m_open(true) {}

  void Open(const std::string& source, SqlConnection& activeConnection) override;
  long RecordCount() override;
  void MoveFirst() override;
  void MoveNext() override;
  bool IsEof() override;
  SqlValue Collect(const std::string& column) override;
  void Close() override;

 private:
  void RequireOpen() const;
  void RequireCurrentRow() const;

  BufferedRows m_rows;
  size_t m_position = 0;
  bool m_open = false;
};

}  // namespace harrowlander::odbc
