#include "gui/win32/win32_dialog_host.h"

#include "gui/win32/com_apartment.h"
#include "gui/win32/command_routes.h"
#include "gui/win32/minimized_icon.h"
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
};

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
      run->dlg.OnInitDialog();
      if (run->host.m_opened) {
        run->host.m_opened(window);
      }
      return TRUE;  // the focus goes to the first control that takes it
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      // Exit, Esc and Close: the default cancel. Start never closes the dialog.
      if (id == IDCANCEL && code == BN_CLICKED) {
        EndDialog(window, IDCANCEL);
        return TRUE;
      }
      return RouteCommand(run->dlg, id, code) ? TRUE : FALSE;
    }
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
