#include "platform/odbc/odbc_driver.h"

#include <iterator>

#include "res/ascii_case.h"

namespace harrowlander::odbc {
namespace {

struct KnownDriver {
  const char* name;
  DriverKind kind;
  const char* extraKeywords;
  bool reachesSqlServer2000;
};

// Best first. The servers this tool administers predate TLS 1.2 and often have only a
// self-signed certificate: encryption stays the server's choice, its certificate unchecked.
// Each of these encrypts the login or the whole session when the server asks for it,
// and logs in unencrypted where the server offers no encryption.
// FreeTDS asks for TDS 7.4 and takes the version the server's login acknowledgement
// names, down to SQL Server 2000's 7.1; pinned, since its automatic choice falls back to
// a Sybase login when a server does not answer.
constexpr KnownDriver kPreferred[] = {
    {"ODBC Driver 18 for SQL Server", DriverKind::kMicrosoft,
     "Encrypt=Optional;TrustServerCertificate=yes", false},
    {"ODBC Driver 17 for SQL Server", DriverKind::kMicrosoft,
     "Encrypt=no;TrustServerCertificate=yes", false},
    {"SQL Server Native Client 11.0", DriverKind::kMicrosoft, "", false},
    {"SQL Server", DriverKind::kMicrosoft, "", true},
    {"FreeTDS", DriverKind::kFreeTds, "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=request",
     true},
};

// The first of the known drivers from `first` on that is installed and passes `wanted`.
std::optional<OdbcDriver> FirstInstalled(const KnownDriver* first,
                                         const std::vector<std::string>& installed,
                                         bool (*wanted)(const KnownDriver&)) {
  for (const KnownDriver* known = first; known != std::end(kPreferred); ++known) {
    if (!wanted(*known)) {
      continue;
    }
    for (const std::string& name : installed) {
      if (EqualsIgnoringAsciiCase(name, known->name)) {
        return OdbcDriver{name, known->kind, known->extraKeywords};
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<OdbcDriver> ChooseDriver(const std::vector<std::string>& installed) {
  return FirstInstalled(std::begin(kPreferred), installed, [](const KnownDriver&) { return true; });
}

std::optional<OdbcDriver> ChooseDriverForOlderServers(const OdbcDriver& refused,
                                                      const std::vector<std::string>& installed) {
  const KnownDriver* after = std::begin(kPreferred);
  while (after != std::end(kPreferred) && !EqualsIgnoringAsciiCase(after->name, refused.name)) {
    ++after;
  }
  if (after == std::end(kPreferred)) {
    return std::nullopt;
  }
  return FirstInstalled(after + 1, installed,
                        [](const KnownDriver& known) { return known.reachesSqlServer2000; });
}

std::string KnownDriverNames() {
  std::string names;
  for (const KnownDriver& known : kPreferred) {
    names += (names.empty() ? "" : ", ") + std::string(known.name);
  }
  return names;
}

}  // namespace harrowlander::odbc
