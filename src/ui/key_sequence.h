#pragma once

#include "ports/dialog_window.h"

namespace harrowlander {

// The hidden key sequence: Alt held while H, L and R are pressed in a row.
inline constexpr int kKeySequenceModifier = vk::kMenu;
inline constexpr int kKeySequence[3] = {'H', 'L', 'R'};

// How many keys of the sequence have been matched (0, 1 or 2). One value for the
// whole process, as the sequence outlives any one dialog.
int& KeySequenceState();

}  // namespace harrowlander
