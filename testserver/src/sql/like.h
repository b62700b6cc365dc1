// LIKE as the server's default collation evaluates it: % and _ wildcards, [set],
// [a-z] ranges and [^set], letters compared without regard to case.
#pragma once

#include <string_view>

namespace testserver::sql {

bool Like(std::string_view value, std::string_view pattern);

}  // namespace testserver::sql
