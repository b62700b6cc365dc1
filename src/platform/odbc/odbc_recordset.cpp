#include "platform/odbc/odbc_recordset.h"

#include "platform/odbc/odbc_connection.h"
#include "ports/com_error.h"
#include "res/ascii_case.h"

namespace harrowlander::odbc {
namespace {

// The data-access layer's own texts for misuse of a recordset.
constexpr std::int32_t kAdoError = static_cast<std::int32_t>(0x800A0E78);

}  // namespace

void OdbcRecordset::Open(const std::string& source, SqlConnection& activeConnection) {
  if (m_open) {
    throw ComError(kAdoError, "Operation is not allowed when the object is open.");
  }
  auto* connection = dynamic_cast<OdbcConnection*>(&activeConnection);
  if (connection == nullptr) {
    throw ComError(hresult::kFail, "The recordset needs a connection of the same data layer.");
  }
  m_rows = connection->Run(source);
  m_position = 0;
  m_open = true;
}

long OdbcRecordset::RecordCount() {
  RequireOpen();
  return static_cast<long>(m_rows.rows.size());
}

void OdbcRecordset::MoveFirst() {
  RequireOpen();
  m_position = 0;
}

void OdbcRecordset::MoveNext() {
  RequireCurrentRow();
  ++m_position;
}

bool OdbcRecordset::IsEof() {
  RequireOpen();
  return m_position >= m_rows.rows.size();
}

SqlValue OdbcRecordset::Collect(const std::string& column) {
  RequireCurrentRow();
  for (size_t i = 0; i < m_rows.columns.size(); ++i) {
    if (EqualsIgnoringAsciiCase(m_rows.columns[i], column)) {
      return m_rows.rows[m_position][i];
    }
  }
  throw ComError(static_cast<std::int32_t>(0x800A0CC1),
                 "Item cannot be found in the collection corresponding to the requested name or "
                 "ordinal.");
}

void OdbcRecordset::Close() {
  RequireOpen();
  m_open = false;
  m_rows = {};
}

void OdbcRecordset::RequireOpen() const {
  if (!m_open) {
    throw ComError(kAdoError, "Operation is not allowed when the object is closed.");
  }
}

void OdbcRecordset::RequireCurrentRow() const {
  RequireOpen();
  if (m_position >= m_rows.rows.size()) {
    throw ComError(static_cast<std::int32_t>(0x800A0BCD),
                   "Either BOF or EOF is True, or the current record has been deleted. Requested "
                   "operation requires a current record.");
  }
}

}  // namespace harrowlander::odbc
