#include "gui/win32/resource_generator/ico_writer.h"

#include <array>
#include <cstdio>
#include <map>
#include <string>

namespace harrowlander::win32::resgen {
namespace {

constexpr int kPaletteSize = 16;
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// An image as palette indices; index 0 (black) stands under transparent pixels.
struct IndexedImage {
  int width = 0, height = 0;
  std::array<Rgb, kPaletteSize> palette{};
  std::vector<std::uint8_t> pixels;  // top row first
  std::vector<bool> transparent;
};

IndexedImage ParseXpm(const XpmImage& xpm) {
  if (xpm.lines.empty())
    throw XpmError("empty XPM");
  IndexedImage image;
  int colours = 0, charsPerPixel = 0;
  if (std::sscanf(xpm.lines[0], "%d %d %d %d", &image.width, &image.height, &colours,
                  &charsPerPixel) != 4 ||
      charsPerPixel != 1 || image.width <= 0 || image.width > 256 || image.height <= 0 ||
      image.height > 256) {
    throw XpmError("unsupported XPM header");
  }
  if (xpm.lines.size() != static_cast<size_t>(1 + colours + image.height)) {
    throw XpmError("XPM line count does not match its header");
  }
  std::map<char, int> indexOf;
  const int kTransparent = -1;
  int next = 1;
  for (int i = 0; i < colours; ++i) {
    const std::string line = xpm.lines[1 + i];
    unsigned r = 0, g = 0, b = 0;
    if (line.size() >= 5 && line.substr(1, 3) == " c " && line.substr(4) == "None") {
      indexOf[line[0]] = kTransparent;
    } else if (line.size() >= 11 && std::sscanf(line.c_str() + 4, "#%2x%2x%2x", &r, &g, &b) == 3) {
      if (next == kPaletteSize)
        throw XpmError("more than 15 colours");
      image.palette[next] = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                             static_cast<std::uint8_t>(b)};
      indexOf[line[0]] = next++;
    } else {
      throw XpmError("unsupported XPM colour: " + line);
    }
  }
  for (int y = 0; y < image.height; ++y) {
    const std::string row = xpm.lines[1 + colours + y];
    if (row.size() != static_cast<size_t>(image.width))
      throw XpmError("XPM row of wrong width");
    for (const char c : row) {
      const auto found = indexOf.find(c);
      if (found == indexOf.end())
        throw XpmError("XPM pixel of no colour");
      image.transparent.push_back(found->second == kTransparent);
      image.pixels.push_back(static_cast<std::uint8_t>(found->second < 0 ? 0 : found->second));
    }
  }
  return image;
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

size_t Stride(int bitsPerRow) {
  return static_cast<size_t>((bitsPerRow + 31) / 32 * 4);
}

// BITMAPINFOHEADER, palette, colour rows and mask rows, both bottom row first.
std::vector<std::uint8_t> IconImage(const IndexedImage& image) {
  const size_t colourStride = Stride(image.width * 4);
  const size_t maskStride = Stride(image.width);
  const size_t colourSize = colourStride * image.height;
  const size_t maskSize = maskStride * image.height;
  std::vector<std::uint8_t> out;
  Put32(out, kBitmapInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(image.width));
  Put32(out, static_cast<std::uint32_t>(image.height * 2));  // colour and mask together
  Put16(out, 1);                                             // planes
  Put16(out, 4);                                             // bits per pixel
  Put32(out, 0);                                             // BI_RGB
  Put32(out, static_cast<std::uint32_t>(colourSize + maskSize));
  for (int i = 0; i < 4; ++i)
    Put32(out, 0);  // resolution, colours used and important
  for (const Rgb& c : image.palette) {
    out.insert(out.end(), {c.b, c.g, c.r, 0});
  }
  std::vector<std::uint8_t> colour(colourSize, 0), mask(maskSize, 0);
  for (int y = 0; y < image.height; ++y) {
    const size_t row = static_cast<size_t>(image.height - 1 - y);
    for (int x = 0; x < image.width; ++x) {
      const size_t at = static_cast<size_t>(y * image.width + x);
      const std::uint8_t index = image.pixels[at];
      colour[row * colourStride + x / 2] |= (x % 2 == 0) ? index << 4 : index;
      if (image.transparent[at])
        mask[row * maskStride + x / 8] |= 0x80 >> (x % 8);
    }
  }
  out.insert(out.end(), colour.begin(), colour.end());
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

}  // namespace

std::vector<std::uint8_t> IconFileFromXpm(std::span<const XpmImage> images) {
  std::vector<std::vector<std::uint8_t>> bodies;
  std::vector<IndexedImage> parsed;
  for (const XpmImage& xpm : images) {
    parsed.push_back(ParseXpm(xpm));
    bodies.push_back(IconImage(parsed.back()));
  }
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < parsed.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(parsed[i].width % 256));  // 256 is written as 0
    out.push_back(static_cast<std::uint8_t>(parsed[i].height % 256));
    out.push_back(kPaletteSize);
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) {
    out.insert(out.end(), body.begin(), body.end());
  }
  return out;
}

}  // namespace harrowlander::win32::resgen
