#include <cstdint>
#include <cstdio>

#include "ports/com_error.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

void CHarrowlanderDlg::ReportComError(const ComError& error) {
  if (error.Description().empty()) {
    char text[64];
    std::snprintf(text, sizeof text, "SQL Server access failed (error 0x%08X).",
                  static_cast<std::uint32_t>(error.Error()));
    SetStatus(text);
    return;
  }
  SetStatus(error.Description());
}

}  // namespace harrowlander
