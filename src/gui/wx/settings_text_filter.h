#pragma once

class wxTextCtrl;

namespace harrowlander {
class TextCodec;
}

namespace harrowlander::wx {

// An edit whose text goes into the settings file takes only characters that file can
// hold (see TextCodec::RoundTrips): any other character typed or pasted is taken out
// again with the bell, as a combo's edit refuses text beyond its width. Texts the
// program sets are left as they are.
void RefuseTextTheSettingsCannotHold(wxTextCtrl& edit, TextCodec& codec);

}  // namespace harrowlander::wx
