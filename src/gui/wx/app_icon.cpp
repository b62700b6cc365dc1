#include "gui/wx/app_icon.h"

#include "res/harrowlander_16.xpm"
#include "res/harrowlander_32.xpm"

namespace harrowlander::wx {

wxBitmap ApplicationIcon(int size) {
  return wxBitmap(size <= 16 ? harrowlander_16_xpm : harrowlander_32_xpm);
}

}  // namespace harrowlander::wx
