// The statement log: every batch as received, one JSON object per line, in the
// order the server received them.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace testserver {

class StatementLog {
 public:
  StatementLog() = default;
  ~StatementLog();
  StatementLog(const StatementLog&) = delete;
  StatementLog& operator=(const StatementLog&) = delete;

  bool Open(const std::string& path);
  void Write(int spid, std::string_view login, std::string_view database, std::string_view batch);

 private:
  std::mutex m_mutex;
  std::FILE* m_file = nullptr;
  long m_sequence = 0;
};

std::string JsonString(std::string_view text);

}  // namespace testserver
