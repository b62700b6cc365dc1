#include "gui/win32/win32_dialog_host.h"

#include "gui/win32/com_apartment.h"
#include "gui/win32/command_routes.h"
#include "gui/win32/minimized_icon.h"
#include "gui/win32/settings_text_filter.h"
#include "gui/win32/sys_key_filter.h"
#include "gui/win32/template_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::win32 {

// What the dialog procedure needs of one modal run.
struct Win32DialogHost::Run {
  Win32DialogHost& host;
  CHarrowlanderDlg& dlg;
  SysKeyFilter& keys;
  HICON icon;

  // Closes the window when the dialog allows it now; during a run it may ask first.
  void CloseIfAllowed(CHarrowlanderDlg::CloseReason reason) {
    if (dlg.OnCloseRequest(reason)) {
      host.m_window.CloseWindow();
    }
  }
};

namespace {

// The dialog manager turns Esc into the very WM_COMMAND a click on Exit sends, the Exit
// button's handle included. The key state tells them apart: it changes as the thread
// takes key messages from its queue, so it reads Esc down while the dialog manager
// handles that key's WM_KEYDOWN, and up for a click, or Space or Enter, on Exit.
CHarrowlanderDlg::CloseReason CancelCommandReason() {
  return (GetKeyState(VK_ESCAPE) & 0x8000) != 0 ? CHarrowlanderDlg::CloseReason::kEscape
                                                : CHarrowlanderDlg::CloseReason::kExitButton;
}

}  // namespace

int Win32DialogHost::RunModal(CHarrowlanderDlg& dialog) {
  const ComApartment com;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  SysKeyFilter keys(dialog);
  Run run{*this, dialog, keys, LoadIconW(instance, MAKEINTRESOURCEW(dialog.m_hIcon))};
  const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(res::IDD_HARROWLANDER_DIALOG),
                                         nullptr, DialogProc, reinterpret_cast<LPARAM>(&run));
  m_window.Detach();
  return static_cast<int>(result);
}

INT_PTR CALLBACK Win32DialogHost::DialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
  }
  auto* run = reinterpret_cast<Run*>(GetWindowLongPtrW(window, DWLP_USER));
  if (run == nullptr) {
    return FALSE;
  }
  switch (message) {
    case WM_INITDIALOG:
      run->host.m_window.Attach(window);
      run->keys.Watch(window);
      KeepSavedTextsToTheSettingsCodePage(window, run->dlg.platform().codec);
      run->dlg.OnInitDialog();
      if (run->host.m_opened) {
        run->host.m_opened(window);
      }
      return TRUE;  // the focus goes to the first control that takes it
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      // Exit and Esc. Start never closes the dialog.
      if (id == IDCANCEL && code == BN_CLICKED) {
        run->CloseIfAllowed(CancelCommandReason());
        return TRUE;
      }
      return RouteCommand(run->dlg, id, code) ? TRUE : FALSE;
    }
    case WM_CLOSE:  // the title bar's close, Alt+F4; not turned into Exit's command
      run->CloseIfAllowed(CHarrowlanderDlg::CloseReason::kWindowClose);
      return TRUE;
    case WM_SYSCOMMAND:
      if (run->dlg.OnSysCommand(static_cast<unsigned>(wParam))) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      if (IsIconic(window)) {
        PaintMinimizedIcon(window, run->icon);
        return TRUE;
      }
      return FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(run->icon);
    default:
      return FALSE;
  }
}

}  // namespace harrowlander::win32
