#include "ui/harrowlander_dlg.h"

namespace harrowlander {

// Not built yet: says so and signals nothing.
int CHarrowlanderDlg::ShrinkDatabase() {
  SetStatus("收缩功能尚未实现。");
  return -1;
}

}  // namespace harrowlander
