#include "like.h"

#include <cctype>

namespace testserver::sql {

namespace {

char Fold(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Matches one character against the bracket expression starting after '['; sets
// `end` to the index after ']'. An unclosed '[' matches itself literally.
bool MatchSet(std::string_view pattern, size_t start, char c, size_t& end, bool& valid) {
  size_t close = pattern.find(']', start + 1);  // "[]]" style: ']' right after '[' is literal
  if (close == std::string_view::npos) {
    valid = false;
    return false;
  }
  valid = true;
  end = close + 1;
  size_t i = start;
  bool negate = pattern[i] == '^';
  if (negate) {
    ++i;
  }
  bool hit = false;
  for (; i < close; ++i) {
    if (i + 2 < close && pattern[i + 1] == '-') {
      if (Fold(c) >= Fold(pattern[i]) && Fold(c) <= Fold(pattern[i + 2])) {
        hit = true;
      }
      i += 2;
    } else if (Fold(c) == Fold(pattern[i])) {
      hit = true;
    }
  }
  return hit != negate;
}

bool MatchFrom(std::string_view value, size_t v, std::string_view pattern, size_t p) {
  while (p < pattern.size()) {
    char pc = pattern[p];
    if (pc == '%') {
      while (p < pattern.size() && pattern[p] == '%') {
        ++p;
      }
      if (p == pattern.size()) {
        return true;
      }
      for (size_t k = v; k <= value.size(); ++k) {
        if (MatchFrom(value, k, pattern, p)) {
          return true;
        }
      }
      return false;
    }
    if (v == value.size()) {
      return false;
    }
    if (pc == '_') {
      ++v;
      ++p;
      continue;
    }
    if (pc == '[') {
      size_t end = 0;
      bool valid = false;
      bool hit = MatchSet(pattern, p + 1, value[v], end, valid);
      if (valid) {
        if (!hit) {
          return false;
        }
        ++v;
        p = end;
        continue;
      }
    }
    if (Fold(pc) != Fold(value[v])) {
      return false;
    }
    ++v;
    ++p;
  }
  return v == value.size();
}

}  // namespace

bool Like(std::string_view value, std::string_view pattern) {
  return MatchFrom(value, 0, pattern, 0);
}

}  // namespace testserver::sql
