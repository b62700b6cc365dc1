#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

namespace harrowlander::wx {

// The application icon (resource 128) at 32 or 16 pixels.
wxBitmap ApplicationIcon(int size);

}  // namespace harrowlander::wx
