#pragma once

#include "platform/win32/windows_api.h"

namespace harrowlander {
class TextCodec;
}

namespace harrowlander::win32 {

// The edits of the dialog whose text goes into the settings file (a combo box's edit
// part included) take only characters that file can hold (see TextCodec::RoundTrips):
// any other character typed or pasted is refused with a beep, as an edit that does not
// scroll refuses text beyond its width; the rest of a paste goes in. Texts the program
// sets are left as they are. The edits keep the filter until they are destroyed; the
// codec must outlive them.
void KeepSavedTextsToTheSettingsCodePage(HWND dialog, TextCodec& codec);

}  // namespace harrowlander::win32
