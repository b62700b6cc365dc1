#pragma once

#include <string>
#include <vector>

#include "platform/odbc/odbc_diagnostics.h"

namespace harrowlander::odbc {

// Whether a failed connection is the driver refusing the server for its version, as
// Microsoft's drivers since ODBC Driver 11 and Native Client 11.0 refuse SQL Server 2000
// ("... does not support connections to SQL Server 2000 or earlier versions.", or a
// handshake failure they put down to an unsupported version).
bool RefusesServerVersion(const std::vector<DiagRecord>& records);

// The text of a Microsoft driver's record saying it could not set up the encryption the
// server asked for ("Encryption not supported on the client.", "SSL Security error",
// "SSL Provider: ..."); empty when there is none.
std::string EncryptionFailureText(const std::vector<DiagRecord>& records);

// Whether FreeTDS reached the server and the login was not acknowledged, for no reason
// the server gave: what FreeTDS reports when the TLS handshake failed.
bool FreeTdsLoginNotAcknowledged(const std::vector<DiagRecord>& records);

}  // namespace harrowlander::odbc
