#include "gui/win32/sys_key_filter.h"

namespace harrowlander::win32 {
namespace {

// A hook procedure gets no context of its own: the filter of this thread.
thread_local SysKeyFilter* t_filter = nullptr;

}  // namespace

SysKeyFilter::SysKeyFilter(CHarrowlanderDlg& dlg) : m_dlg(dlg) {
  t_filter = this;
  m_hook = SetWindowsHookExW(WH_MSGFILTER, FilterProc, nullptr, GetCurrentThreadId());
}

SysKeyFilter::~SysKeyFilter() {
  if (m_hook != nullptr) {
    UnhookWindowsHookEx(m_hook);
  }
  t_filter = nullptr;
}

LRESULT CALLBACK SysKeyFilter::FilterProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  SysKeyFilter* filter = t_filter;
  if (code == MSGF_DIALOGBOX && filter != nullptr && filter->m_dialog != nullptr &&
      message->message == WM_SYSKEYDOWN &&
      (message->hwnd == filter->m_dialog || IsChild(filter->m_dialog, message->hwnd))) {
    filter->m_dlg.PreTranslateSysKeyDown(static_cast<int>(message->wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace harrowlander::win32
