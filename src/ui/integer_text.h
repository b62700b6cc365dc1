#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace harrowlander {

// Reads a numeric edit's text the way the dialog framework does: blanks and tabs
// around an optional sign and decimal digits; nothing else may follow. Values beyond
// the 32-bit range saturate (they then fail any range check). A text whose value is 0
// counts only when it starts with the digit '0', so "-0" and "+0" are not integers.
std::optional<std::int32_t> ParseDialogInteger(std::string_view text);

}  // namespace harrowlander
