#include "sql/server_diagnostics.h"

namespace harrowlander::sql {
namespace {

void WriteEntry(std::ostream& out, const ServerEntry& entry) {
  out << "\tPlatform: " << entry.platformId << "\n";
  out << "\tName:     " << entry.name << "\n";
  out << "\tVersion:  " << entry.versionMajor << "." << entry.versionMinor << "\n";
  out << "\tType:     " << entry.type;
  if ((entry.type & 0x8) != 0) {
    out << " (PDC)";
  } else if ((entry.type & 0x10) != 0) {
    out << " (BDC)";
  }
  out << "\n";
  out << "\tComment:  " << entry.comment << "\n\n";
}

}  // namespace

void WriteServerDiagnostics(std::ostream& out, std::ostream& err, const ServerEnumeration& found) {
  if (found.status == ServerEnumeration::kSuccess || found.status == ServerEnumeration::kMoreData) {
    for (const ServerEntry& entry : found.entries) {
      WriteEntry(out, entry);
    }
    if (found.status == ServerEnumeration::kMoreData) {
      err << "\nMore entries available!!!\n";
      err << "Total entries: " << found.totalEntries;
    }
    out << "\nEntries enumerated: " << found.entries.size() << "\n";
  } else {
    err << "A system error has occurred: " << found.status << "\n";
  }
  out.flush();
  err.flush();
}

}  // namespace harrowlander::sql
