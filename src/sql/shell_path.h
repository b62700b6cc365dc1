#pragma once

#include <string_view>

namespace harrowlander::sql {

// Whether a path can go to the server's command shell (xp_cmdshell) between double
// quotes. Quotes keep blanks, & | < > ^ literal, but cmd.exe still expands "%" there,
// a '"' or a line break ends the quoting or the command, and "*" or "?" would make
// "del" take every file that matches: such a path is refused.
bool IsShellSafePath(std::string_view path);

}  // namespace harrowlander::sql
