#include "platform/odbc/server_drivers.h"

#include "platform/odbc/connect_refusal.h"

namespace harrowlander::odbc {

std::string ServerDrivers::Key(const std::string& server) {
  std::string key = server;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return key;
}

std::optional<OdbcDriver> ServerDrivers::For(const std::string& server,
                                             const std::vector<std::string>& installed) const {
  {
    std::lock_guard lock(m_mutex);
    if (auto it = m_chosen.find(Key(server)); it != m_chosen.end()) {
      return it->second;
    }
  }
  return ChooseDriver(installed);
}

std::optional<OdbcDriver> ServerDrivers::AfterRefusal(const std::string& server,
                                                      const OdbcDriver& refused,
                                                      const std::vector<DiagRecord>& records,
                                                      const std::vector<std::string>& installed) {
  if (!RefusesServerVersion(records)) {
    return std::nullopt;
  }
  std::optional<OdbcDriver> older = ChooseDriverForOlderServers(refused, installed);
  if (older) {
    std::lock_guard lock(m_mutex);
    m_chosen[Key(server)] = *older;
  }
  return older;
}

}  // namespace harrowlander::odbc
