#include "platform/odbc/connect_refusal.h"

#include <cctype>

namespace harrowlander::odbc {

bool RefusesServerVersion(const std::vector<DiagRecord>& records) {
  for (const DiagRecord& record : records) {
    if (!record.sqlState.starts_with("08")) {
      continue;
    }
    if (record.message.find("does not support connections to SQL Server") != std::string::npos ||
        record.message.find("unsupported version of SQL Server") != std::string::npos) {
      return true;
    }
  }
  return false;
}

std::string EncryptionFailureText(const std::vector<DiagRecord>& records) {
  for (const DiagRecord& record : records) {
    std::string lower = record.message;
    for (char& c : lower) {
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const char* sign :
         {"encryption not supported on the client", "ssl security error", "ssl provider"}) {
      if (record.sqlState.starts_with("08") && lower.find(sign) != std::string::npos) {
        return record.message;
      }
    }
  }
  return {};
}

bool FreeTdsLoginNotAcknowledged(const std::vector<DiagRecord>& records) {
  constexpr long kConnectionFailed = 20002;  // "Adaptive Server connection failed"
  bool notAcknowledged = false;
  for (const DiagRecord& record : records) {
    if (IsServerMessage(record) || record.sqlState == "HYT00") {
      return false;
    }
    notAcknowledged = notAcknowledged || record.nativeError == kConnectionFailed;
  }
  return notAcknowledged;
}

}  // namespace harrowlander::odbc
