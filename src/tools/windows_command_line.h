#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace harrowlander {

// The arguments a program started with this command line finds after its own name,
// split as the Windows C runtime splits them: the first token is the program's name
// (up to a blank, or between double quotes, no escapes) and is dropped; blanks and tabs
// outside double quotes separate arguments; 2n backslashes before a double quote give n
// backslashes and a quote that opens or closes, 2n+1 give n and a literal quote; two
// double quotes inside quotes give a literal quote; other backslashes are literal.
// The command lines this tool builds begin with a blank, so the name token is empty.
std::vector<std::string> WindowsCommandLineArguments(std::string_view commandLine);

}  // namespace harrowlander
