#pragma once

#include <string>
#include <vector>

#include "ports/sql_connection.h"

namespace harrowlander {

// The lines a command run by the server's shell (xp_cmdshell) printed, without the
// empty rows.
std::vector<std::string> ShellOutput(SqlConnection& connection, const std::string& statement);

// Whether a line mentions the name, letters compared without regard to ASCII case.
bool MentionsIgnoringCase(const std::vector<std::string>& lines, const std::string& name);

// The lines joined by blanks, for a status text; "(no output)" when there are none.
std::string JoinedOutput(const std::vector<std::string>& lines);

}  // namespace harrowlander
