#include "sql/sql_escape.h"

namespace harrowlander::sql {
namespace {

std::string Doubling(std::string_view text, char special) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == special) {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string EscapeName(std::string_view name) {
  return Doubling(name, ']');
}

std::string EscapeLiteral(std::string_view text) {
  return Doubling(text, '\'');
}

}  // namespace harrowlander::sql
