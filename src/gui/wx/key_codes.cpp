#include "gui/wx/key_codes.h"

#include <cctype>

namespace harrowlander::wx {
namespace {

struct KeyPair {
  int virtualKey;
  wxKeyCode wxKey;
};

constexpr KeyPair kKeys[] = {
    {0x08, WXK_BACK},    {0x09, WXK_TAB}, {0x0D, WXK_RETURN}, {0x10, WXK_SHIFT},
    {0x11, WXK_CONTROL}, {0x12, WXK_ALT}, {0x1B, WXK_ESCAPE}, {0x20, WXK_SPACE},
    {0x25, WXK_LEFT},    {0x26, WXK_UP},  {0x27, WXK_RIGHT},  {0x28, WXK_DOWN},
    {0x2E, WXK_DELETE},  {0x70, WXK_F1},  {0x79, WXK_F10},
};

}  // namespace

int VirtualKeyOf(const wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key < 128 && std::isalnum(key)) {
    return std::toupper(key);
  }
  for (const KeyPair& pair : kKeys) {
    if (pair.wxKey == key) {
      return pair.virtualKey;
    }
  }
  return 0xFF;  // a key the core has no name for: it matches nothing it watches
}

wxKeyCode WxKeyOf(int virtualKey) {
  if (virtualKey < 128 && std::isalnum(virtualKey)) {
    return static_cast<wxKeyCode>(std::toupper(virtualKey));
  }
  for (const KeyPair& pair : kKeys) {
    if (pair.virtualKey == virtualKey) {
      return pair.wxKey;
    }
  }
  return WXK_NONE;
}

}  // namespace harrowlander::wx
