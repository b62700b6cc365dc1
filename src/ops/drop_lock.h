#pragma once

#include <array>

namespace harrowlander {

// The chord that must be held while Start is pressed for Drop tables to drop
// anything: Ctrl with the digit keys 3, 4 and 5 of the main keyboard.
inline constexpr std::array<int, 3> kDropLockDigitKeys = {'3', '4', '5'};

}  // namespace harrowlander
