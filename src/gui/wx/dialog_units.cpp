#include "gui/wx/dialog_units.h"

#include <wx/dcclient.h>

namespace harrowlander::wx {
namespace {

// Windows' MulDiv for non-negative numbers: the product divided, rounded to nearest.
int MulDiv(int number, int numerator, int denominator) {
  return (number * numerator + denominator / 2) / denominator;
}

}  // namespace

DialogUnits::DialogUnits(const wxWindow& dialog) {
  wxClientDC dc(const_cast<wxWindow*>(&dialog));
  dc.SetFont(dialog.GetFont());
  const wxSize letters = dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  m_base = {(letters.x / 26 + 1) / 2, dc.GetCharHeight()};
}

int DialogUnits::X(int units) const {
  return MulDiv(units, m_base.x, 4);
}

int DialogUnits::Y(int units) const {
  return MulDiv(units, m_base.y, 8);
}

wxRect DialogUnits::ToPixels(const res::DialogRect& rect) const {
  return {X(rect.x), Y(rect.y), X(rect.width), Y(rect.height)};
}

}  // namespace harrowlander::wx
