#include "statement_log.h"

#include "../text.h"

namespace testserver {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += Format("\\u%04x", static_cast<unsigned>(c));
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

StatementLog::~StatementLog() {
  if (m_file) {
    std::fclose(m_file);
  }
}

bool StatementLog::Open(const std::string& path) {
  m_file = std::fopen(path.c_str(), "a");
  return m_file != nullptr;
}

void StatementLog::Write(int spid, std::string_view login, std::string_view database,
                         std::string_view batch) {
  std::lock_guard lock(m_mutex);
  if (!m_file) {
    return;
  }
  std::string line = Format("{\"seq\":%ld,\"spid\":%d,\"login\":", ++m_sequence, spid) +
                     JsonString(login) + ",\"database\":" + JsonString(database) +
                     ",\"sql\":" + JsonString(batch) + "}\n";
  std::fputs(line.c_str(), m_file);
  std::fflush(m_file);
}

}  // namespace testserver
