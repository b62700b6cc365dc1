#include "ui/key_sequence.h"

#include "ui/harrowlander_dlg.h"

namespace harrowlander {

int& KeySequenceState() {
  static int state = 0;
  return state;
}

void CHarrowlanderDlg::PreTranslateSysKeyDown(int virtualKey) {
  // The window's keys reach it during a run, while the fields belong to the run.
  if (m_running) {
    return;
  }
  DialogWindow& window = m_platform.window;
  if (!KeyStateDown(window.GetKeyState(kKeySequenceModifier))) {
    return;
  }
  int& state = KeySequenceState();
  switch (state) {
    case 0:
      state = virtualKey == kKeySequence[0] ? 1 : 0;
      break;
    case 1:
      state = virtualKey == kKeySequence[1] ? 2 : 0;
      break;
    default:
      if (virtualKey != kKeySequence[2]) {
        state = 0;
      } else if (window.MessageBox("是否进行特定表的密码初始化工作?", "初始化密码",
                                   mb::kYesNo | mb::kIconQuestion | mb::kDefButton2) != kIdYes) {
        state = 0;
      }
      break;
  }
}

}  // namespace harrowlander
