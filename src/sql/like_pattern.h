#pragma once

#include <string>

namespace harrowlander::sql {

// Whether `name` matches the LIKE pattern as the server's default collation compares
// names (ASCII letters without regard to case): % any run of characters, _ one
// character, [abc] [a-z] one of a set, [^abc] one not in it; a '[' without its ']'
// stands for itself. Characters are UTF-8 code points.
bool MatchesLike(const std::string& name, const std::string& pattern);

}  // namespace harrowlander::sql
