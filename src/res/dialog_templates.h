#pragma once

#include <span>
#include <string_view>

namespace harrowlander::res {

// Dialog templates as data: the one description from which every front end builds
// its windows. Positions and sizes are in dialog units of the template's font.

enum class ControlKind {
  kRadioButton,
  kCheckBox,
  kGroupBox,
  kLabel,          // static text without an id
  kComboDropDown,  // editable drop-down combo box; the height includes the list
  kPushButton,
  kDefaultPushButton,
  kEdit,
  kStatusText,  // static text with a border whose text wraps
  kIcon,        // static icon showing the application icon
};

enum ControlStyle : unsigned {
  kStyleNone = 0,
  kReadOnly = 1u << 0,
  kPassword = 1u << 1,
  kRightAligned = 1u << 2,
  kAutoHScroll = 1u << 3,  // the edit scrolls horizontally as text is typed
  kNoPrefix = 1u << 4,     // '&' is shown as it is, not as a mnemonic
};

struct DialogRect {
  int x, y, width, height;
};

inline constexpr int kNoId = -1;

struct ControlTemplate {
  int id;  // kNoId for labels and group boxes
  ControlKind kind;
  DialogRect rect;
  std::string_view text;
  unsigned styles;
  bool tabStop;
  bool groupStart;  // starts a group (radio group, or the controls after it)
};

struct DialogTemplate {
  int id;
  std::string_view caption;
  std::string_view fontFace;
  int fontPointSize;
  int width, height;
  bool hasSystemMenu;
  bool hasMinimizeBox;
  bool showInTaskbar;
  std::span<const ControlTemplate> controls;  // in tab order
};

// Template 102: the main dialog.
const DialogTemplate& MainDialogTemplate();
// Template 100: the About box.
const DialogTemplate& AboutDialogTemplate();

// String 101: the About entry of the system menu.
inline constexpr std::string_view kAboutMenuText = "关于 Harrowlander(&A)...";

// The application's name, the caption of the framework's own message boxes.
inline constexpr std::string_view kApplicationName = "Harrowlander";

}  // namespace harrowlander::res
