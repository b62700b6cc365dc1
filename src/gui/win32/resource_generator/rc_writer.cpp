#include "gui/win32/resource_generator/rc_writer.h"

#include "res/resource_ids.h"

namespace harrowlander::win32::resgen {
namespace {

using res::ControlKind;
using res::ControlTemplate;

struct ControlClass {
  const char* windowClass;
  std::string style;
  std::string exStyle;  // empty when none
};

std::string EditStyle(unsigned styles) {
  std::string style = "ES_LEFT";
  if (styles & res::kAutoHScroll)
    style += " | ES_AUTOHSCROLL";
  if (styles & res::kReadOnly)
    style += " | ES_READONLY";
  if (styles & res::kPassword)
    style += " | ES_PASSWORD";
  if (styles & res::kRightAligned)
    style += " | ES_RIGHT";
  return style;
}

ControlClass ClassOf(const ControlTemplate& control) {
  const std::string noPrefix = (control.styles & res::kNoPrefix) ? " | SS_NOPREFIX" : "";
  switch (control.kind) {
    case ControlKind::kRadioButton:
      return {"Button", "BS_AUTORADIOBUTTON", ""};
    case ControlKind::kCheckBox:
      return {"Button", "BS_AUTOCHECKBOX", ""};
    case ControlKind::kGroupBox:
      return {"Button", "BS_GROUPBOX", ""};
    case ControlKind::kLabel:
      return {"Static", "SS_LEFT" + noPrefix, ""};
    case ControlKind::kComboDropDown:
      // No CBS_AUTOHSCROLL: what can be typed is limited to the visible width.
      return {"ComboBox", "CBS_DROPDOWN | WS_VSCROLL", ""};
    case ControlKind::kPushButton:
      return {"Button", "BS_PUSHBUTTON", ""};
    case ControlKind::kDefaultPushButton:
      return {"Button", "BS_DEFPUSHBUTTON", ""};
    case ControlKind::kEdit:
      return {"Edit", EditStyle(control.styles), "WS_EX_CLIENTEDGE"};
    case ControlKind::kStatusText:
      return {"Static", "SS_LEFT | SS_SUNKEN" + noPrefix, ""};
    case ControlKind::kIcon:
      return {"Static", "SS_ICON", ""};
  }
  return {"Static", "SS_LEFT", ""};
}

std::string DialogStyle(const res::DialogTemplate& dialog) {
  std::string style = "DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION";
  if (dialog.hasSystemMenu)
    style += " | WS_SYSMENU";
  if (dialog.hasMinimizeBox)
    style += " | WS_MINIMIZEBOX";
  return style;
}

void WriteControl(std::ostream& out, const ControlTemplate& control) {
  const ControlClass cls = ClassOf(control);
  std::string style = cls.style + " | WS_CHILD | WS_VISIBLE";
  if (control.tabStop)
    style += " | WS_TABSTOP";
  if (control.groupStart)
    style += " | WS_GROUP";
  // A static icon names its image by resource id in place of a text.
  const std::string text = control.kind == ControlKind::kIcon ? std::to_string(res::IDR_MAINFRAME)
                                                              : QuoteResourceString(control.text);
  const res::DialogRect& r = control.rect;
  out << "    CONTROL " << text << ", " << control.id << ", \"" << cls.windowClass << "\", "
      << style << ", " << r.x << ", " << r.y << ", " << r.width << ", " << r.height;
  if (!cls.exStyle.empty())
    out << ", " << cls.exStyle;
  out << "\n";
}

}  // namespace

std::string QuoteResourceString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') {
      quoted += "\"\"";
    } else if (c == '\\') {
      quoted += "\\\\";
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

void WriteResourceScriptHeader(std::ostream& out) {
  out << "#pragma code_page(65001)\n"
         "// Generated at build time from the dialog template table; do not edit.\n"
         "#include <windows.h>\n\n"
         "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED\n\n";
}

void WriteDialog(std::ostream& out, const res::DialogTemplate& dialog) {
  out << dialog.id << " DIALOGEX 0, 0, " << dialog.width << ", " << dialog.height << "\n"
      << "STYLE " << DialogStyle(dialog) << "\n";
  if (dialog.showInTaskbar)
    out << "EXSTYLE WS_EX_APPWINDOW\n";
  out << "CAPTION " << QuoteResourceString(dialog.caption) << "\n"
      << "FONT " << dialog.fontPointSize << ", " << QuoteResourceString(dialog.fontFace)
      << ", 0, 0, 0x86\n"  // GB2312_CHARSET
      << "BEGIN\n";
  for (const ControlTemplate& control : dialog.controls) {
    WriteControl(out, control);
  }
  out << "END\n\n";
}

void WriteIcon(std::ostream& out, int id, const std::string& icoFileName) {
  out << id << " ICON " << QuoteResourceString(icoFileName) << "\n\n";
}

void WriteStringTable(std::ostream& out, int id, std::string_view text) {
  out << "STRINGTABLE\nBEGIN\n    " << id << ", " << QuoteResourceString(text) << "\nEND\n";
}

}  // namespace harrowlander::win32::resgen
