#pragma once

#include "platform/win32/windows_api.h"

#include <functional>

#include "gui/win32/win32_dialog_window.h"
#include "ports/dialog_host.h"

namespace harrowlander::win32 {

// Runs the main dialog (template 102) modally with the system's dialog manager, the
// window adapter attached while the window exists.
class Win32DialogHost : public DialogHost {
 public:
  explicit Win32DialogHost(Win32DialogWindow& window) : m_window(window) {}

  int RunModal(CHarrowlanderDlg& dialog) override;

  // Called once the dialog has initialised its window (tests drive it from there).
  void OnOpened(std::function<void(HWND)> opened) { m_opened = std::move(opened); }

 private:
  struct Run;
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  Win32DialogWindow& m_window;
  std::function<void(HWND)> m_opened;
};

}  // namespace harrowlander::win32
