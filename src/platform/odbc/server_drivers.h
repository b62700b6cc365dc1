#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/odbc_diagnostics.h"
#include "platform/odbc/odbc_driver.h"

namespace harrowlander::odbc {

// Which driver connects to which server, for one run of the tool: the preferred
// installed driver, unless the server made it refuse because of the server's version;
// then, once, the next installed driver that reaches older servers, kept for that
// server from then on. Servers are told apart by the Data Source as named, without
// regard to case.
class ServerDrivers {
 public:
  // Nothing when no known driver is installed.
  std::optional<OdbcDriver> For(const std::string& server,
                                const std::vector<std::string>& installed) const;

  // After `refused` failed to connect to `server` with `records`: the driver to try
  // instead, which For answers for that server from now on. Nothing when the failure
  // was not a refusal of the server's version or no driver for older servers is
  // installed.
  std::optional<OdbcDriver> AfterRefusal(const std::string& server, const OdbcDriver& refused,
                                         const std::vector<DiagRecord>& records,
                                         const std::vector<std::string>& installed);

 private:
  static std::string Key(const std::string& server);

  mutable std::mutex m_mutex;
  std::map<std::string, OdbcDriver> m_chosen;
};

}  // namespace harrowlander::odbc
