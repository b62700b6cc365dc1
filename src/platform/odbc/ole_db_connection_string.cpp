#include "platform/odbc/ole_db_connection_string.h"

#include <algorithm>
#include <cctype>

#include "ports/com_error.h"

namespace harrowlander::odbc {
namespace {

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && IsBlank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

[[noreturn]] void Malformed(std::string_view why) {
  throw ComError(hresult::kFail, "The connection string is malformed: " + std::string(why) + ".");
}

}  // namespace

std::map<std::string, std::string> ParseOleDbConnectionString(std::string_view text) {
  std::map<std::string, std::string> properties;
  size_t i = 0;
  while (i < text.size()) {
    // Key, up to a single "="; "==" stands for an "=" inside the key.
    std::string key;
    for (;; ++i) {
      if (i >= text.size()) {
        if (!Trim(key).empty()) {
          Malformed("the key \"" + std::string(Trim(key)) + "\" has no value");
        }
        return properties;
      }
      if (text[i] == '=' && i + 1 < text.size() && text[i + 1] == '=') {
        key += '=';
        ++i;
      } else if (text[i] == '=') {
        ++i;
        break;
      } else if (text[i] == ';' && Trim(key).empty()) {
        key.clear();
      } else {
        key += text[i];
      }
    }
    // Value: quoted, or up to the next ";".
    while (i < text.size() && IsBlank(text[i])) {
      ++i;
    }
    std::string value;
    if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
      const char quote = text[i++];
      for (;; ++i) {
        if (i >= text.size()) {
          Malformed("a quoted value has no closing quote");
        }
        if (text[i] == quote && i + 1 < text.size() && text[i + 1] == quote) {
          value += quote;
          ++i;
        } else if (text[i] == quote) {
          ++i;
          break;
        } else {
          value += text[i];
        }
      }
      while (i < text.size() && IsBlank(text[i])) {
        ++i;
      }
      if (i < text.size() && text[i] != ';') {
        Malformed("text follows a quoted value");
      }
    } else {
      const size_t end = std::min(text.find(';', i), text.size());
      value = Trim(text.substr(i, end - i));
      i = end;
    }
    ++i;  // the ";"
    std::string name(Trim(key));
    for (char& c : name) {
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    properties[name] = std::move(value);
  }
  return properties;
}

}  // namespace harrowlander::odbc
