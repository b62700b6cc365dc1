#pragma once

#include <ostream>

#include "ports/server_browser.h"

namespace harrowlander::sql {

// What a server enumeration found, for whoever watches the process's standard output
// and error; a windowed program shows none of it.
void WriteServerDiagnostics(std::ostream& out, std::ostream& err, const ServerEnumeration& found);

}  // namespace harrowlander::sql
