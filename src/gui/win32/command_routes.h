#pragma once

#include "ui/harrowlander_dlg.h"

namespace harrowlander::win32 {

// The main dialog's message map: a WM_COMMAND from control `id` with notification
// `code` goes to the core's handler of the same name. Runs every handler of the pair
// (each notification of a control is handled independently); false when none is mapped.
bool RouteCommand(CHarrowlanderDlg& dlg, int id, int code);

}  // namespace harrowlander::win32
