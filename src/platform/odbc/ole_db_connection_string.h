#pragma once

#include <map>
#include <string>
#include <string_view>

namespace harrowlander::odbc {

// The properties of an OLE DB connection string ("Key=Value;..."), by key in lower
// case; the last of repeated keys wins. Keys and unquoted values are trimmed; a value
// in single or double quotes keeps everything inside, a doubled quote standing for
// one. Throws ComError for a string that does not follow these rules.
std::map<std::string, std::string> ParseOleDbConnectionString(std::string_view text);

}  // namespace harrowlander::odbc
