#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace harrowlander {

using FormatArg = std::variant<std::string_view, std::int64_t>;

// printf-style formatting of the dialog's messages and statements: "%s" takes the next
// text argument, "%d" the next number, "%%" gives one "%". The arguments are never
// read as patterns themselves, so a "%" inside one stays as it is.
std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args);

}  // namespace harrowlander
