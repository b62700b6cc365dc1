#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace harrowlander::cli {

// One JSON object on one line, built field by field in the order they are added.
class JsonLine {
 public:
  JsonLine& Text(std::string_view key, std::string_view value);
  JsonLine& Number(std::string_view key, std::int64_t value);
  JsonLine& Number(std::string_view key, double value);
  JsonLine& Boolean(std::string_view key, bool value);
  JsonLine& Null(std::string_view key);
  JsonLine& TextList(std::string_view key, const std::vector<std::string>& values);

  // The object followed by a line feed.
  std::string Finish() const { return m_text + "}\n"; }

 private:
  JsonLine& Key(std::string_view key);
  std::string m_text = "{";
};

// The text as a JSON string, quotes included. Control characters are escaped, so the
// string never spans lines; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace harrowlander::cli
