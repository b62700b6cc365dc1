#pragma once

#include <wx/font.h>

#include "res/dialog_templates.h"

namespace harrowlander::wx {

// The template's font. "宋体" (SimSun) is rarely installed on Linux, and Pango would
// silently substitute a face of different metrics, so a Song (Ming) face that is
// installed is chosen by name: with AR PL UMing the dialog units come out as with
// SimSun on Windows, give or take a pixel.
wxFont TemplateFont(const res::DialogTemplate& dialog);

}  // namespace harrowlander::wx
