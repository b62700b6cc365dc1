#pragma once

class wxOwnerDrawnComboBox;

namespace harrowlander::wx {

// The edit part of a combo box takes only as much text as it shows: a character typed
// or pasted beyond its visible width is refused with the bell, as in an edit that does
// not scroll. Texts the program sets are left as they are.
void LimitToVisibleWidth(wxOwnerDrawnComboBox& combo);

}  // namespace harrowlander::wx
