#pragma once

#include "platform/win32/windows_api.h"

#include "ui/harrowlander_dlg.h"

namespace harrowlander::win32 {

// While it exists, every WM_SYSKEYDOWN that the modal dialog's own loop takes for the
// dialog or one of its controls goes to the core's key-sequence watch before it is
// dispatched. A WH_MSGFILTER hook on this thread: the modal loop belongs to the system,
// and the hook is how it lets a program see its messages first. The key is never
// consumed. One filter at a time on a thread.
class SysKeyFilter {
 public:
  explicit SysKeyFilter(CHarrowlanderDlg& dlg);
  ~SysKeyFilter();
  SysKeyFilter(const SysKeyFilter&) = delete;
  SysKeyFilter& operator=(const SysKeyFilter&) = delete;

  // The dialog whose messages are watched, once its window exists.
  void Watch(HWND dialog) { m_dialog = dialog; }

 private:
  static LRESULT CALLBACK FilterProc(int code, WPARAM wParam, LPARAM lParam);

  CHarrowlanderDlg& m_dlg;
  HWND m_dialog = nullptr;
  HHOOK m_hook = nullptr;
};

}  // namespace harrowlander::win32
