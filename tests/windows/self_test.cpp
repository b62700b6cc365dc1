#include "windows/self_test.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "gui/win32/template_ids.h"
#include "gui/win32/win32_dialog_window.h"
#include "platform/win32/wide_text.h"
#include "res/dialog_templates.h"

namespace harrowlander::win32 {
namespace {

constexpr UINT_PTR kTimerId = 0x5E1F;
// The first step waits for the first paint; timer messages come after paint messages.
constexpr UINT kFirstStepMs = 500;
constexpr UINT kStepMs = 200;

SelfTest* g_running = nullptr;
// The self-test whose watch logs the windows it has subclassed, until it ends.
SelfTest* g_watching = nullptr;
constexpr const wchar_t* kOriginalProc = L"HarrowlanderSelfTestProc";

std::wstring Environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) {
    return {};
  }
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) {
    if (!part.empty() || separator != ' ') {
      parts.push_back(part);
    }
  }
  return parts;
}

}  // namespace

std::unique_ptr<SelfTest> SelfTest::FromEnvironment() {
  const std::wstring logPath = Environment(L"HARROWLANDER_SELFTEST");
  if (logPath.empty()) {
    return nullptr;
  }
  std::FILE* log = _wfopen(logPath.c_str(), L"wb");
  if (log == nullptr) {
    return nullptr;
  }
  const std::vector<std::string> actions =
      Split(Narrow(Environment(L"HARROWLANDER_SELFTEST_ACTIONS")), ' ');
  return std::make_unique<SelfTest>(log, std::deque<std::string>(actions.begin(), actions.end()));
}

SelfTest::SelfTest(std::FILE* log, std::deque<std::string> actions)
    : m_log(log), m_actions(std::move(actions)) {}

SelfTest::~SelfTest() {
  if (g_running == this) {
    g_running = nullptr;
  }
  if (g_watching == this) {
    g_watching = nullptr;
  }
  std::fclose(m_log);
}

void SelfTest::Start(HWND dialog) {
  m_dialog = dialog;
  g_running = this;
  SetTimer(dialog, kTimerId, kFirstStepMs, OnTimer);
}

void CALLBACK SelfTest::OnTimer(HWND window, UINT, UINT_PTR id, DWORD) {
  if (g_running == nullptr || window != g_running->m_dialog) {
    KillTimer(window, id);
    return;
  }
  SetTimer(window, id, kStepMs, OnTimer);
  g_running->Step();
}

void SelfTest::Log(const std::string& line) {
  std::fputs((line + "\n").c_str(), m_log);
  std::fflush(m_log);
}

void SelfTest::Step() {
  if (!m_reported) {
    m_reported = true;
    LogControls();
    Log("READY");
    return;
  }
  if (m_boxExpected) {
    m_boxExpected = false;
    CloseOwnedBox();
    return;
  }
  if (m_actions.empty()) {
    KillTimer(m_dialog, kTimerId);
    g_running = nullptr;
    Log("DONE");
    return;
  }
  const std::string action = m_actions.front();
  m_actions.pop_front();
  const std::vector<std::string> parts = Split(action, ':');
  if (action == "modes") {
    ClickModes();
  } else if (parts.size() == 3 && parts[0] == "databases") {
    ListDatabases(parts[1], parts[2]);
  } else if (parts.size() == 3 && parts[0] == "ctrl-databases") {
    ListDatabasesHoldingCtrl(parts[1], parts[2]);
  } else if (parts.size() == 3 && parts[0] == "login") {
    TypeLogin(parts[1], parts[2]);
  } else if (action == "watch") {
    WatchTexts();
  } else if (action == "sysmenu") {
    ChooseLastSystemMenuEntry();
  } else if (action == "end") {
    Log("DONE");
    PostMessageW(m_dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(m_dialog, IDCANCEL)));
  } else {
    Log("unknown action " + action);
  }
}

// One line a control: "control ID enabled=0|1 checked=0|1 text=TEXT"; then the window
// ("window X Y W H") and client ("client X Y W H") rectangles on the screen and the
// control that has the focus ("focus ID").
void SelfTest::LogControls() {
  for (const res::ControlTemplate& control : res::MainDialogTemplate().controls) {
    if (control.id == res::kNoId) {
      continue;
    }
    HWND window = GetDlgItem(m_dialog, control.id);
    std::ostringstream line;
    line << "control " << control.id << " enabled=" << (IsWindowEnabled(window) ? 1 : 0)
         << " checked=" << (IsDlgButtonChecked(m_dialog, control.id) == BST_CHECKED ? 1 : 0)
         << " text=" << WindowText(window);
    Log(line.str());
  }
  RECT frame, client;
  GetWindowRect(m_dialog, &frame);
  GetClientRect(m_dialog, &client);
  POINT origin{0, 0};
  ClientToScreen(m_dialog, &origin);
  std::ostringstream rects;
  rects << "window " << frame.left << " " << frame.top << " " << frame.right - frame.left << " "
        << frame.bottom - frame.top << "\nclient " << origin.x << " " << origin.y << " "
        << client.right << " " << client.bottom << "\nfocus " << FocusedControl() << "\ndragicon "
        << (SendMessageW(m_dialog, WM_QUERYDRAGICON, 0, 0) != 0 ? 1 : 0);
  Log(rects.str());
}

// "mode RADIO checked=0|1 start=CAPTION focus=ID disabled=ID,ID,..." for each radio
// clicked, ending on Backup again.
void SelfTest::ClickModes() {
  const int order[] = {res::IDC_MODE_RESTORE, res::IDC_MODE_DELETE, res::IDC_MODE_SHRINK,
                       res::IDC_MODE_DROP_TABLES, res::IDC_MODE_BACKUP};
  for (const int radio : order) {
    SendMessageW(GetDlgItem(m_dialog, radio), BM_CLICK, 0, 0);
    std::ostringstream line;
    line << "mode " << radio
         << " checked=" << (IsDlgButtonChecked(m_dialog, radio) == BST_CHECKED ? 1 : 0)
         << " start=" << WindowText(GetDlgItem(m_dialog, IDOK)) << " focus=" << FocusedControl()
         << " disabled=" << DisabledControls();
    Log(line.str());
  }
}

// The login typed as a person would, then the list dropped down, which has the dialog
// fill it from the server; "database NAME" for each item and the status line after.
// The list stays down, as after a person's click.
void SelfTest::TypeLogin(const std::string& server, const std::string& password) {
  SetDlgItemTextW(m_dialog, res::IDC_SERVER, Widen(server).c_str());
  SetDlgItemTextW(m_dialog, res::IDC_SQL_PASSWORD, Widen(password).c_str());
}

void SelfTest::ListDatabases(const std::string& server, const std::string& password,
                             const std::string& prefix) {
  TypeLogin(server, password);
  HWND combo = GetDlgItem(m_dialog, res::IDC_DATABASE);
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);  // a list already down drops anew
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  Win32DialogWindow window;
  window.Attach(m_dialog);
  for (const std::string& item : window.GetComboItems(res::IDC_DATABASE)) {
    Log(prefix + "database " + item);
  }
  Log(prefix + "status " + window.GetControlText(res::IDC_STATUS));
}

// Ctrl is held in this thread's key state, which GetKeyState reads, while the list
// drops down; the dialog asks for the key state on this, its window's thread.
void SelfTest::ListDatabasesHoldingCtrl(const std::string& server, const std::string& password) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE before = keys[VK_CONTROL];
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  ListDatabases(server, password, "ctrl-");
  keys[VK_CONTROL] = before;
  SetKeyboardState(keys);
}

// "sysmenu ID TEXT" for the entry; the command it sends goes through the window's
// system-command handling, and the next step finds the box it opened.
void SelfTest::ChooseLastSystemMenuEntry() {
  HMENU menu = GetSystemMenu(m_dialog, FALSE);
  const int last = menu != nullptr ? GetMenuItemCount(menu) - 1 : -1;
  wchar_t text[128] = {};
  if (last >= 0) {
    GetMenuStringW(menu, static_cast<UINT>(last), text, 128, MF_BYPOSITION);
  }
  const UINT id = last >= 0 ? GetMenuItemID(menu, last) : 0;
  Log("sysmenu " + std::to_string(id) + " " + Narrow(text));
  m_boxExpected = true;
  PostMessageW(m_dialog, WM_SYSCOMMAND, id, 0);
}

// "box CAPTION" for the window the dialog's last command opened over it, which is then
// closed as its OK button would close it; "box none" when there is none.
void SelfTest::CloseOwnedBox() {
  struct Search {
    HWND owner;
    HWND box;
  } search{m_dialog, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM context) -> BOOL {
        auto* search = reinterpret_cast<Search*>(context);
        if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == search->owner) {
          search->box = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  HWND box = search.box;
  if (box == nullptr) {
    Log("box none");
    return;
  }
  Log("box " + WindowText(box));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// The status line, Start and the dialog are subclassed: their original window procedure
// is kept as a property of each.
void SelfTest::WatchTexts() {
  g_watching = this;
  for (HWND window :
       {GetDlgItem(m_dialog, res::IDC_STATUS), GetDlgItem(m_dialog, IDOK), m_dialog}) {
    SetPropW(window, kOriginalProc,
             reinterpret_cast<HANDLE>(GetWindowLongPtrW(window, GWLP_WNDPROC)));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchProc));
  }
}

LRESULT CALLBACK SelfTest::WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(window, kOriginalProc));
  SelfTest* test = g_watching;
  if (test != nullptr && message == WM_SETTEXT && lParam != 0) {
    const std::string text = Narrow(reinterpret_cast<const wchar_t*>(lParam));
    if (window == GetDlgItem(test->m_dialog, res::IDC_STATUS)) {
      test->Log("status-line " + text);
    } else if (window == GetDlgItem(test->m_dialog, IDOK)) {
      test->Log("start-button " + text + " focus=" + std::to_string(test->FocusedControl()));
    }
  } else if (test != nullptr && message == WM_DESTROY && window == test->m_dialog) {
    test->Log("closed");
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropW(window, kOriginalProc);
  }
  return CallWindowProcW(original, window, message, wParam, lParam);
}

std::string SelfTest::DisabledControls() const {
  std::vector<int> disabled;
  for (const res::ControlTemplate& control : res::MainDialogTemplate().controls) {
    if (control.id != res::kNoId && !IsWindowEnabled(GetDlgItem(m_dialog, control.id))) {
      disabled.push_back(control.id);
    }
  }
  std::sort(disabled.begin(), disabled.end());
  std::string list;
  for (const int id : disabled) {
    list += (list.empty() ? "" : ",") + std::to_string(id);
  }
  return list;
}

// The dialog's control that holds the focus, or one of whose children does (the edit
// of a combo box); 0 when none.
int SelfTest::FocusedControl() const {
  for (HWND window = GetFocus(); window != nullptr; window = GetParent(window)) {
    if (GetParent(window) == m_dialog) {
      return GetDlgCtrlID(window);
    }
  }
  return 0;
}

}  // namespace harrowlander::win32
