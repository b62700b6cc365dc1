#pragma once

#include <string>
#include <vector>

#include "platform/odbc/odbc_handle.h"

namespace harrowlander::odbc {

struct DiagRecord {
  std::string sqlState;
  long nativeError = 0;
  std::string message;  // without the "[vendor][component]" prefixes
};

// The diagnostic records of the handle's last call, in order.
std::vector<DiagRecord> ReadDiagnostics(const OdbcHandle& handle);

// Whether the record is a message the server wrote (its number is the server's),
// rather than one that the driver or the driver manager made up.
bool IsServerMessage(const DiagRecord& record);

// The text of the first error the server sent, or empty when there is none.
std::string FirstServerError(const std::vector<DiagRecord>& records);

bool HasState(const std::vector<DiagRecord>& records, std::string_view sqlState);

}  // namespace harrowlander::odbc
