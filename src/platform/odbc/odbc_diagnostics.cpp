#include "platform/odbc/odbc_diagnostics.h"

#include <algorithm>

#include "platform/odbc/utf16_text.h"

namespace harrowlander::odbc {
namespace {

std::string WithoutVendorPrefixes(std::string message) {
  while (message.starts_with("[")) {
    const size_t close = message.find(']');
    if (close == std::string::npos) {
      break;
    }
    message.erase(0, close + 1);
  }
  return message;
}

}  // namespace

std::vector<DiagRecord> ReadDiagnostics(const OdbcHandle& handle) {
  std::vector<DiagRecord> records;
  constexpr SQLSMALLINT kMaxRecords = 64;
  for (SQLSMALLINT i = 1; i <= kMaxRecords && handle; ++i) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::u16string message(1024, u'\0');
    SQLRETURN rc = SQLGetDiagRecW(handle.type(), handle.get(), i, state, &native, Wide(message),
                                  static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<size_t>(length) + 1, u'\0');
      rc = SQLGetDiagRecW(handle.type(), handle.get(), i, state, &native, Wide(message),
                          static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!Succeeded(rc)) {
      break;
    }
    message.resize(
        std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), message.size()));
    DiagRecord record;
    for (SQLWCHAR c : state) {
      if (c != 0) {
        record.sqlState += static_cast<char>(c);
      }
    }
    record.nativeError = native;
    record.message = WithoutVendorPrefixes(Utf16ToUtf8(message));
    records.push_back(std::move(record));
  }
  return records;
}

bool IsServerMessage(const DiagRecord& record) {
  // FreeTDS numbers its own client-side errors 20000 to 20999; the driver manager's
  // and the driver's own ODBC errors carry no number.
  return record.nativeError != 0 && (record.nativeError < 20000 || record.nativeError > 20999);
}

std::string FirstServerError(const std::vector<DiagRecord>& records) {
  for (const DiagRecord& record : records) {
    if (IsServerMessage(record) && !record.sqlState.starts_with("01") && !record.message.empty()) {
      return record.message;
    }
  }
  return {};
}

bool HasState(const std::vector<DiagRecord>& records, std::string_view sqlState) {
  for (const DiagRecord& record : records) {
    if (record.sqlState == sqlState) {
      return true;
    }
  }
  return false;
}

}  // namespace harrowlander::odbc
