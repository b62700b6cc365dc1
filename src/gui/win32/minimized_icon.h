#pragma once

#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

// Where an icon of the given size stands centred in a client area, rounding as the
// window system's own dialogs do: (client - icon + 1) / 2.
POINT CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

// Paints a minimised window: its icon's background erased, the icon centred.
void PaintMinimizedIcon(HWND window, HICON icon);

}  // namespace harrowlander::win32
