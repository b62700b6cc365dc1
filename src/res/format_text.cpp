#include "res/format_text.h"

#include <stdexcept>

namespace harrowlander {

std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args) {
  std::string out;
  const FormatArg* next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      out += pattern[i];
      continue;
    }
    const char conversion = pattern[++i];
    if (conversion == '%') {
      out += '%';
      continue;
    }
    if (next == args.end()) {
      throw std::logic_error("FormatText: too few arguments for " + std::string(pattern));
    }
    if (conversion == 's') {
      out += std::get<std::string_view>(*next++);
    } else if (conversion == 'd') {
      out += std::to_string(std::get<std::int64_t>(*next++));
    } else {
      throw std::logic_error("FormatText: unknown conversion in " + std::string(pattern));
    }
  }
  return out;
}

}  // namespace harrowlander
