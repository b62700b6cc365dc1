#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace harrowlander::win32::resgen {

// One image of an icon, as an XPM holds it: "w h colours 1" header, colour lines
// ("x c #RRGGBB" or "x c None"), then the rows.
struct XpmImage {
  std::span<const char* const> lines;
};

struct XpmError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// An .ico file holding each image in 16 colours (4 bits a pixel) with its transparency
// mask, as the window system's classic icons are made.
std::vector<std::uint8_t> IconFileFromXpm(std::span<const XpmImage> images);

}  // namespace harrowlander::win32::resgen
