#include "ui/harrowlander_dlg.h"

namespace harrowlander {

// Not built yet: says so and signals nothing.
int CHarrowlanderDlg::DeleteDatabase() {
  SetStatus("删除数据库功能尚未实现。");
  return -1;
}

}  // namespace harrowlander
