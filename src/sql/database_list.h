#pragma once

#include <string>

namespace harrowlander::sql {

// The query that lists the server's databases by name; the system and sample
// databases are left out unless asked for.
std::string DatabaseListQuery(bool withSystemDatabases);

}  // namespace harrowlander::sql
