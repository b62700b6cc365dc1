#pragma once

#include <string>
#include <vector>

#include "platform/odbc/odbc_handle.h"

namespace harrowlander::odbc {

// The descriptions of the drivers registered with the driver manager, read through the
// environment handle with the wide-character call (Wine's ANSI one is an unimplemented
// stub that crashes). Empty when the driver manager lists none or cannot list them.
std::vector<std::string> InstalledDrivers(const OdbcHandle& environment);

}  // namespace harrowlander::odbc
