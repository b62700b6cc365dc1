#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace harrowlander::odbc {

// The two dialects of connection string the supported drivers read.
enum class DriverKind {
  kFreeTds,    // SERVER=host;PORT=n, TDS version and client charset pinned
  kMicrosoft,  // SERVER=host,port or host\instance, as the OLE DB provider reads it
};

// An ODBC driver for SQL Server, by the name it is registered under.
struct OdbcDriver {
  std::string name;
  DriverKind kind = DriverKind::kFreeTds;
  std::string extraKeywords;  // appended to every connection string, without a leading ";"
};

// The preferred driver among the installed ones (names compared without regard to case):
// ODBC Driver 18 and 17 for SQL Server, SQL Server Native Client 11.0, SQL Server,
// FreeTDS. Nothing when none of them is installed.
std::optional<OdbcDriver> ChooseDriver(const std::vector<std::string>& installed);

// The drivers ChooseDriver knows, best first, for messages.
std::string KnownDriverNames();

// The next installed driver after `refused`, in the order above, among those that still
// reach SQL Server 2000 ("SQL Server", FreeTDS); nothing when none is installed.
std::optional<OdbcDriver> ChooseDriverForOlderServers(const OdbcDriver& refused,
                                                      const std::vector<std::string>& installed);

}  // namespace harrowlander::odbc
