#include "gui/cli/json_line.h"

#include <cmath>
#include <cstdio>

namespace harrowlander::cli {
namespace {

// The length of the well-formed UTF-8 sequence at the start of text; 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  unsigned minimum = 0;
  unsigned code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) {
      return 0;
    }
    code = (code << 6) | (byte(i) & 0x3F);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code < minimum || code > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    const unsigned char c = static_cast<unsigned char>(text.front());
    size_t used = 1;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((used = Utf8SequenceLength(text)) != 0) {
      out.append(text.substr(0, used));
    } else {
      used = 1;
      out += "\xEF\xBF\xBD";
    }
    text.remove_prefix(used);
  }
  return out + "\"";
}

JsonLine& JsonLine::Key(std::string_view key) {
  if (m_text.size() > 1) {
    m_text += ',';
  }
  m_text += JsonString(key);
  m_text += ':';
  return *this;
}

JsonLine& JsonLine::Text(std::string_view key, std::string_view value) {
  Key(key).m_text += JsonString(value);
  return *this;
}

JsonLine& JsonLine::Number(std::string_view key, std::int64_t value) {
  Key(key).m_text += std::to_string(value);
  return *this;
}

JsonLine& JsonLine::Number(std::string_view key, double value) {
  if (!std::isfinite(value)) {
    return Null(key);  // JSON has no infinity
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  Key(key).m_text += text;
  return *this;
}

JsonLine& JsonLine::Boolean(std::string_view key, bool value) {
  Key(key).m_text += value ? "true" : "false";
  return *this;
}

JsonLine& JsonLine::Null(std::string_view key) {
  Key(key).m_text += "null";
  return *this;
}

JsonLine& JsonLine::TextList(std::string_view key, const std::vector<std::string>& values) {
  std::string& text = Key(key).m_text;
  text += "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    text += (i == 0 ? "" : ",") + JsonString(values[i]);
  }
  text += "]";
  return *this;
}

}  // namespace harrowlander::cli
