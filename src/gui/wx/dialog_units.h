#pragma once

#include <wx/gdicmn.h>
#include <wx/window.h>

#include "res/dialog_templates.h"

namespace harrowlander::wx {

// Dialog units to pixels as Windows computes them: the base width is the average width
// of A-Z and a-z in the dialog's font, rounded; the base height the font's height;
// a horizontal unit is a quarter of the base width, a vertical one an eighth of the
// base height.
class DialogUnits {
 public:
  // The window's font must already be the template's.
  explicit DialogUnits(const wxWindow& dialog);

  int X(int units) const;
  int Y(int units) const;
  wxRect ToPixels(const res::DialogRect& rect) const;
  wxSize Size(int width, int height) const { return {X(width), Y(height)}; }

  wxSize base() const { return m_base; }

 private:
  wxSize m_base;
};

}  // namespace harrowlander::wx
