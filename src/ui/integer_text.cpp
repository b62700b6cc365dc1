#include "ui/integer_text.h"

#include <cctype>
#include <limits>

namespace harrowlander {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::optional<std::int32_t> ParseDialogInteger(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) {
    ++pos;
  }
  const char first = pos < text.size() ? text[pos] : '\0';

  // The number itself, as strtol reads it: any white space, a sign, digits.
  size_t cursor = pos;
  while (cursor < text.size() && IsSpace(text[cursor])) {
    ++cursor;
  }
  bool negative = false;
  if (cursor < text.size() && (text[cursor] == '+' || text[cursor] == '-')) {
    negative = text[cursor] == '-';
    ++cursor;
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  std::int64_t magnitude = 0;
  size_t digitsStart = cursor;
  while (cursor < text.size() && IsDigit(text[cursor])) {
    if (magnitude <= kMax + 1) {
      magnitude = magnitude * 10 + (text[cursor] - '0');
    }
    ++cursor;
  }
  std::int64_t value = 0;
  if (cursor == digitsStart) {
    cursor = pos;  // no number: nothing was consumed
  } else {
    value = negative ? -magnitude : magnitude;
    value = value > kMax ? kMax : value < kMin ? kMin : value;
  }
  if (value == 0 && first != '0') {
    return std::nullopt;
  }

  while (cursor < text.size() && IsBlank(text[cursor])) {
    ++cursor;
  }
  if (cursor != text.size()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace harrowlander
