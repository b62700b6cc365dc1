#include "gui/win32/win32_dialog_window.h"

#include "gui/win32/about_box.h"
#include "gui/win32/file_dialog.h"
#include "platform/win32/wide_text.h"

namespace harrowlander::win32 {

std::string WindowText(HWND window) {
  if (window == nullptr) {
    return {};
  }
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

HWND Win32DialogWindow::Control(int id) const {
  return m_dialog != nullptr ? GetDlgItem(m_dialog, id) : nullptr;
}

std::string Win32DialogWindow::GetControlText(int id) {
  return WindowText(Control(id));
}

void Win32DialogWindow::SetControlText(int id, const std::string& text) {
  if (HWND control = Control(id)) {
    SetWindowTextW(control, Widen(text).c_str());
  }
}

void Win32DialogWindow::SetControlTextNow(int id, const std::string& text) {
  if (HWND control = Control(id)) {
    SetWindowTextW(control, Widen(text).c_str());
    UpdateWindow(control);
  }
}

bool Win32DialogWindow::IsChecked(int id) {
  return m_dialog != nullptr && IsDlgButtonChecked(m_dialog, id) == BST_CHECKED;
}

void Win32DialogWindow::SetCheck(int id, bool checked) {
  if (Control(id) != nullptr) {
    CheckDlgButton(m_dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
  }
}

// The system takes the focus from a window it disables and gives it to none: the keys
// would then reach no control, and Enter would not press Start (停止 during a run).
void Win32DialogWindow::EnableControl(int id, bool enabled) {
  HWND control = Control(id);
  if (control == nullptr) {
    return;
  }
  HWND focus = GetFocus();
  const bool losesFocus =
      !enabled && focus != nullptr && (focus == control || IsChild(control, focus));
  EnableWindow(control, enabled ? TRUE : FALSE);
  if (!losesFocus) {
    return;
  }
  const LRESULT defaultId = SendMessageW(m_dialog, DM_GETDEFID, 0, 0);
  HWND button =
      HIWORD(defaultId) == DC_HASDEFID ? GetDlgItem(m_dialog, LOWORD(defaultId)) : nullptr;
  if (button != nullptr && IsWindowEnabled(button)) {
    SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
  }
}

void Win32DialogWindow::FocusAndSelectAll(int id) {
  HWND control = Control(id);
  if (control == nullptr) {
    return;
  }
  // Through the dialog manager, so that the default button follows the focus.
  SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  SendMessageW(control, EM_SETSEL, 0, -1);
  SendMessageW(control, EM_SCROLLCARET, 0, 0);
}

void Win32DialogWindow::ResetComboContent(int id) {
  if (HWND combo = Control(id)) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SetWindowTextW(combo, L"");
  }
}

void Win32DialogWindow::AddComboString(int id, const std::string& item) {
  if (HWND combo = Control(id)) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
}

std::vector<std::string> Win32DialogWindow::GetComboItems(int id) {
  std::vector<std::string> items;
  HWND combo = Control(id);
  if (combo == nullptr) {
    return items;
  }
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == CB_ERR) {
      items.emplace_back();
      continue;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    items.push_back(Narrow(text));
  }
  return items;
}

int Win32DialogWindow::GetComboSelection(int id) {
  HWND combo = Control(id);
  return combo != nullptr ? static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) : -1;
}

void Win32DialogWindow::SetComboSelection(int id, int index) {
  if (HWND combo = Control(id)) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

int Win32DialogWindow::MessageBox(const std::string& text, const std::string& caption,
                                  unsigned style) {
  // The port's styles and results are the system's own values. A Yes/No box closed
  // without an answer (Esc, the title bar's close) reads as No: never as consent.
  HWND owner = (style & MB_TASKMODAL) != 0 ? nullptr : m_dialog;
  const int answer = MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), style);
  if ((style & MB_TYPEMASK) == MB_YESNO) {
    return answer == IDYES ? kIdYes : kIdNo;
  }
  return answer;
}

std::optional<std::string> Win32DialogWindow::ShowFileDialog(const FileDialogRequest& request) {
  return win32::ShowFileDialog(m_dialog, request);
}

void Win32DialogWindow::ShowAboutBox() {
  RunAboutBox(m_dialog);
}

void Win32DialogWindow::Beep(unsigned type) {
  MessageBeep(type);
}

std::int16_t Win32DialogWindow::GetKeyState(int virtualKey) {
  return static_cast<std::int16_t>(::GetKeyState(virtualKey));
}

void Win32DialogWindow::CloseWindow() {
  if (m_dialog != nullptr) {
    EndDialog(m_dialog, IDCANCEL);
  }
}

void Win32DialogWindow::SetIcon(int iconResource, bool big) {
  if (m_dialog == nullptr) {
    return;
  }
  const int size = GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON);
  // A shared image: the system owns it, and it lives as long as the program.
  HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconResource), IMAGE_ICON,
                           size, size, LR_SHARED);
  SendMessageW(m_dialog, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void Win32DialogWindow::AppendAboutToSystemMenu(int commandId, const std::string& text) {
  HMENU menu = m_dialog != nullptr ? GetSystemMenu(m_dialog, FALSE) : nullptr;
  if (menu == nullptr) {
    return;
  }
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(commandId), Widen(text).c_str());
}

}  // namespace harrowlander::win32
