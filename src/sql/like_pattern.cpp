#include "sql/like_pattern.h"

#include <cctype>
#include <cstddef>
#include <vector>

namespace harrowlander::sql {
namespace {

// Code points of UTF-8 text, ASCII letters folded to lower case; a stray byte stands
// for itself.
std::vector<char32_t> CodePoints(const std::string& text) {
  std::vector<char32_t> points;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80         ? 1
                 : (lead >> 5) == 6  ? 2
                 : (lead >> 4) == 14 ? 3
                 : (lead >> 3) == 30 ? 4
                                     : 1;
    if (i + static_cast<std::size_t>(length) > text.size()) {
      length = 1;
    }
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      point =
          (point << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
    }
    if (point < 0x80) {
      point = static_cast<char32_t>(std::tolower(static_cast<int>(point)));
    }
    points.push_back(point);
    i += static_cast<std::size_t>(length);
  }
  return points;
}

// Whether `c` is in the set that starts after the '[' at `open`; `end` gets the
// position of its ']', or stays at `open` when there is none.
bool InSet(const std::vector<char32_t>& p, std::size_t open, char32_t c, std::size_t& end) {
  std::size_t i = open + 1;
  const bool negated = i < p.size() && p[i] == U'^';
  if (negated) {
    ++i;
  }
  bool found = false;
  for (bool first = true; i < p.size() && (first || p[i] != U']'); first = false) {
    if (i + 2 < p.size() && p[i + 1] == U'-' && p[i + 2] != U']') {
      found = found || (p[i] <= c && c <= p[i + 2]);
      i += 3;
    } else {
      found = found || p[i] == c;
      ++i;
    }
  }
  if (i >= p.size()) {
    end = open;
    return false;
  }
  end = i;
  return found != negated;
}

bool Match(const std::vector<char32_t>& n, std::size_t ni, const std::vector<char32_t>& p,
           std::size_t pi) {
  while (pi < p.size()) {
    if (p[pi] == U'%') {
      while (pi < p.size() && p[pi] == U'%') {
        ++pi;
      }
      if (pi == p.size()) {
        return true;
      }
      for (std::size_t k = ni; k <= n.size(); ++k) {
        if (Match(n, k, p, pi)) {
          return true;
        }
      }
      return false;
    }
    if (ni == n.size()) {
      return false;
    }
    if (p[pi] == U'[') {
      std::size_t end = pi;
      const bool in = InSet(p, pi, n[ni], end);
      if (end != pi) {
        if (!in) {
          return false;
        }
        pi = end + 1;
        ++ni;
        continue;
      }
    }
    if (p[pi] != U'_' && p[pi] != n[ni]) {
      return false;
    }
    ++pi;
    ++ni;
  }
  return ni == n.size();
}

}  // namespace

bool MatchesLike(const std::string& name, const std::string& pattern) {
  return Match(CodePoints(name), 0, CodePoints(pattern), 0);
}

}  // namespace harrowlander::sql
