#include "sql/server_progress.h"

#include <cctype>

namespace harrowlander::sql {

// Only the number is read: the words differ between releases and languages.
std::optional<int> PercentProcessed(const ServerMessage& message) {
  if (message.number != 3211) {
    return std::nullopt;
  }
  std::size_t at = 0;
  while (at < message.text.size() && std::isspace(static_cast<unsigned char>(message.text[at]))) {
    ++at;
  }
  int percent = 0;
  bool digits = false;
  for (; at < message.text.size() && std::isdigit(static_cast<unsigned char>(message.text[at]));
       ++at) {
    percent = percent * 10 + (message.text[at] - '0');
    digits = true;
    if (percent > 100) {
      return std::nullopt;
    }
  }
  return digits ? std::optional<int>(percent) : std::nullopt;
}

}  // namespace harrowlander::sql
