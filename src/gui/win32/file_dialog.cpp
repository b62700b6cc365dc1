#include "gui/win32/file_dialog.h"

#include <commdlg.h>

#include "platform/win32/wide_text.h"

namespace harrowlander::win32 {
namespace {

// Room for the longest path the W functions take.
constexpr size_t kPathCapacity = 32768;

}  // namespace

std::wstring FileDialogFilter(const std::string& filter) {
  std::wstring wide = Widen(filter);
  for (wchar_t& c : wide) {
    if (c == L'|') {
      c = L'\0';
    }
  }
  // Two NULs end the list even when the core's text lacks its closing bars.
  wide.append(2, L'\0');
  return wide;
}

std::optional<std::string> ShowFileDialog(HWND owner, const FileDialogRequest& request) {
  const std::wstring filter = FileDialogFilter(request.filter);
  std::wstring extension = Widen(request.defaultExtension);
  if (!extension.empty() && extension.front() == L'.') {
    extension.erase(0, 1);
  }
  std::wstring path = Widen(request.initialFileName);
  path.resize(kPathCapacity, L'\0');

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = request.flags | OFN_EXPLORER;
  const BOOL chosen = request.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (!chosen) {
    return std::nullopt;
  }
  path.resize(path.find(L'\0'));
  return Narrow(path);
}

}  // namespace harrowlander::win32
