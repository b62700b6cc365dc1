#pragma once

#include <cstdint>
#include <string>

namespace harrowlander::sql {

// What every connection to the SQL Server is opened with: the server as the user
// named it ("host", "host\instance", "host,port", "(local)"), the SQL login and the
// time limits in seconds (0: none).
struct ServerLogin {
  std::string server;
  std::string user;
  std::string password;
  std::int32_t connectTimeout = 15;
  std::int32_t commandTimeout = 60;
};

}  // namespace harrowlander::sql
