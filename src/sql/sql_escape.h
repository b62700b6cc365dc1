#pragma once

#include <string>
#include <string_view>

namespace harrowlander::sql {

// A name for the inside of "[...]": every "]" doubled, so the name ends where the
// statement's closing bracket stands.
std::string EscapeName(std::string_view name);

// A text for the inside of '...' (a string literal or a LIKE pattern): every "'"
// doubled. LIKE wildcards (% _ [) keep their meaning.
std::string EscapeLiteral(std::string_view text);

}  // namespace harrowlander::sql
