#include "platform/odbc/odbc_driver.h"

#include "sql/ascii_case.h"

namespace harrowlander::odbc {
namespace {

struct KnownDriver {
  const char* name;
  DriverKind kind;
  const char* extraKeywords;
};

// Best first. The servers this tool administers predate TLS 1.2 and often have only a
// self-signed certificate: encryption stays the server's choice, its certificate unchecked.
// FreeTDS asks for TDS 7.4 and takes the version the server's login acknowledgement
// names, down to SQL Server 2000's 7.1; pinned, since its automatic choice falls back to
// a Sybase login when a server does not answer.
constexpr KnownDriver kPreferred[] = {
    {"ODBC Driver 18 for SQL Server", DriverKind::kMicrosoft,
     "Encrypt=Optional;TrustServerCertificate=yes"},
    {"ODBC Driver 17 for SQL Server", DriverKind::kMicrosoft,
     "Encrypt=no;TrustServerCertificate=yes"},
    {"SQL Server Native Client 11.0", DriverKind::kMicrosoft, ""},
    {"SQL Server", DriverKind::kMicrosoft, ""},
    {"FreeTDS", DriverKind::kFreeTds, "TDS_Version=7.4;ClientCharset=UTF-8"},
};

}  // namespace

std::optional<OdbcDriver> ChooseDriver(const std::vector<std::string>& installed) {
  for (const KnownDriver& known : kPreferred) {
    for (const std::string& name : installed) {
      if (EqualsIgnoringAsciiCase(name, known.name)) {
        return OdbcDriver{name, known.kind, known.extraKeywords};
      }
    }
  }
  return std::nullopt;
}

std::string KnownDriverNames() {
  std::string names;
  for (const KnownDriver& known : kPreferred) {
    names += (names.empty() ? "" : ", ") + std::string(known.name);
  }
  return names;
}

}  // namespace harrowlander::odbc
