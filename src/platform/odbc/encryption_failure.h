#pragma once

#include <string>
#include <vector>

#include "platform/odbc/data_source.h"
#include "platform/odbc/odbc_diagnostics.h"
#include "platform/odbc/odbc_driver.h"

namespace harrowlander::odbc {

// Why connecting through `driver` to `target` (named `server` in messages) failed, when
// it failed for the encryption the server asks for; empty otherwise. Microsoft's drivers
// say so in their records. FreeTDS only says that the login was not acknowledged, so
// then the server is asked, within `timeoutSeconds` (at most 5), which encryption it
// settles on.
std::string DescribeEncryptionFailure(const OdbcDriver& driver, const DataSource& target,
                                      const std::string& server, int timeoutSeconds,
                                      const std::vector<DiagRecord>& records);

}  // namespace harrowlander::odbc
