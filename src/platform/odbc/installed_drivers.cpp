#include "platform/odbc/installed_drivers.h"

#include <algorithm>

#include "platform/odbc/utf16_text.h"

namespace harrowlander::odbc {

std::vector<std::string> InstalledDrivers(const OdbcHandle& environment) {
  std::vector<std::string> names;
  // A bound on the list, should a driver manager never answer SQL_NO_DATA.
  constexpr int kMaxDrivers = 1024;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (int i = 0; i < kMaxDrivers && environment; ++i, direction = SQL_FETCH_NEXT) {
    std::u16string description(256, u'\0');
    std::u16string attributes(1024, u'\0');
    SQLSMALLINT descriptionLength = 0;
    SQLSMALLINT attributesLength = 0;
    const SQLRETURN rc = SQLDriversW(
        environment.get(), direction, Wide(description),
        static_cast<SQLSMALLINT>(description.size()), &descriptionLength, Wide(attributes),
        static_cast<SQLSMALLINT>(attributes.size()), &attributesLength);
    if (!Succeeded(rc)) {
      break;
    }
    description.resize(std::min(description.size() - 1,
                                static_cast<size_t>(std::max<SQLSMALLINT>(descriptionLength, 0))));
    names.push_back(Utf16ToUtf8(description));
  }
  return names;
}

}  // namespace harrowlander::odbc
