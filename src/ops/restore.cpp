#include "ui/harrowlander_dlg.h"

namespace harrowlander {

// Not built yet: says so and signals nothing.
int CHarrowlanderDlg::RestoreDatabase() {
  SetStatus("还原功能尚未实现。");
  return -1;
}

}  // namespace harrowlander
