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

// A whole string literal: '...' with the text escaped as above, and the N prefix when
// the text holds any character outside ASCII, so that the server takes it as Unicode
// instead of mapping it through its own code page to a look-alike. An ASCII-only
// literal reads exactly as it always did.
std::string Literal(std::string_view text);

}  // namespace harrowlander::sql
