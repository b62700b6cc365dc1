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

std::string Literal(std::string_view text) {
  bool ascii = true;
  for (char c : text) {
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  }
  return (ascii ? "'" : "N'") + EscapeLiteral(text) + "'";
}

}  // namespace harrowlander::sql
