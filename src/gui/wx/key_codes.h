#pragma once

#include <wx/event.h>

namespace harrowlander::wx {

// The virtual-key code the core expects for a key event (letters and digits as their
// upper-case characters, Alt as VK_MENU), and the wx key code for one.
int VirtualKeyOf(const wxKeyEvent& event);
wxKeyCode WxKeyOf(int virtualKey);

}  // namespace harrowlander::wx
