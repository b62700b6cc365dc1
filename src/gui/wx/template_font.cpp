#include "gui/wx/template_font.h"

#include <wx/fontenum.h>

#include <algorithm>

#include "gui/wx/wx_text.h"

namespace harrowlander::wx {
namespace {

// Faces that stand in for SimSun, best first: the real one, then Song/Ming faces.
const wxString kSongFaces[] = {
    "SimSun",           "NSimSun",           "AR PL UMing CN",     "AR PL UMing TW",
    "AR PL SungtiL GB", "Noto Serif CJK SC", "Source Han Serif SC"};

wxString InstalledFace(const wxString& requested) {
  static const wxArrayString installed = wxFontEnumerator::GetFacenames();
  const auto isInstalled = [](const wxString& face) {
    return std::any_of(installed.begin(), installed.end(),
                       [&](const wxString& name) { return name.IsSameAs(face, false); });
  };
  if (isInstalled(requested)) {
    return requested;
  }
  if (requested == wxString::FromUTF8("宋体") || requested.IsSameAs("SimSun", false)) {
    for (const wxString& face : kSongFaces) {
      if (isInstalled(face)) {
        return face;
      }
    }
  }
  return requested;
}

}  // namespace

wxFont TemplateFont(const res::DialogTemplate& dialog) {
  return wxFont(wxFontInfo(dialog.fontPointSize).FaceName(InstalledFace(ToWx(dialog.fontFace))));
}

}  // namespace harrowlander::wx
