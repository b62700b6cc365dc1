#pragma once

#include <string>
#include <vector>

#include "ports/sql_connection.h"

namespace harrowlander {

// The names of the files (not folders) in the server's folder, as the server lists
// them; none when the folder is not there.
std::vector<std::string> ListFolderFiles(SqlConnection& connection, const std::string& folder);

// Whether a file of the transfer folder has a name this tool gives its files there: a
// transfer file ("Sales.bak"), a copy's new file on its way to that name
// (".Sales.bak.<process>-<n>.part", "Sales.bak.~<process>-<n>"), the folder's marker.
bool HasOurNaming(const std::string& name);

}  // namespace harrowlander
