#pragma once

#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

// The About box (template 100), modal over the owner; its one button closes it.
void RunAboutBox(HWND owner);

}  // namespace harrowlander::win32
