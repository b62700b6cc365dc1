#pragma once

#include <string>
#include <string_view>

namespace harrowlander::win32 {

// A name for a new file in the same folder as `path`, so that moving it over `path` is
// a rename within one volume or share: the path with ".~" and a suffix of this process
// id and a counter, different on every call. The caller creates it exclusively.
std::wstring TempNameBeside(std::wstring_view path);

// How many fresh names a caller tries before it gives up on a folder full of leftovers.
inline constexpr int kTempNameAttempts = 8;

}  // namespace harrowlander::win32
