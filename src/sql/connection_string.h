#pragma once

#include <string>
#include <string_view>

namespace harrowlander {
class CHarrowlanderDlg;
}

namespace harrowlander::sql {

// The connection string for the dialog's server and SQL login, opening `catalog`:
// six Key=Value pairs joined by ";". A value that the OLE DB rules would read
// differently from what the user typed is put in double quotes.
std::string BuildConnectionString(const CHarrowlanderDlg& dlg, std::string_view catalog);

// One value as it stands in a connection string: unchanged when it has no ";", no
// quote character and no blank at either end, else in double quotes with every inner
// double quote doubled.
std::string QuoteConnectionValue(std::string_view value);

}  // namespace harrowlander::sql
