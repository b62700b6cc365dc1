// What the dialog's edits take when a person types or pastes text the settings file
// cannot hold: the real main dialog from the program's resource, on the test display.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "gui/win32/settings_text_filter.h"
#include "gui/win32/template_ids.h"
#include "platform/win32/code_page_text_codec.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {
namespace {

INT_PTR CALLBACK InertProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

void Type(HWND edit, std::wstring_view text) {
  for (wchar_t unit : text) {
    SendMessageW(edit, WM_CHAR, unit, 1);
  }
}

bool PutOnClipboard(HWND owner, std::wstring_view text) {
  if (!OpenClipboard(owner)) {
    return false;
  }
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  auto* chars = static_cast<wchar_t*>(GlobalLock(memory));
  text.copy(chars, text.size());
  chars[text.size()] = L'\0';
  GlobalUnlock(memory);
  const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  return put;
}

std::wstring Text(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

TEST(SettingsTextFilter, SavedEditsRefuseWhatGbkLacksAndTheArchivePasswordTakesIt) {
  HWND dialog =
      CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(res::IDD_HARROWLANDER_DIALOG),
                         nullptr, InertProc, 0);
  ASSERT_NE(dialog, nullptr);
  CodePageTextCodec codec;
  KeepSavedTextsToTheSettingsCodePage(dialog, codec);

  HWND netPassword = GetDlgItem(dialog, res::IDC_NET_PASSWORD);
  Type(netPassword, L"K\u00e4se-pw\U0001F600\u4E2D");
  EXPECT_EQ(Text(netPassword), L"Kse-pw\u4E2D");

  COMBOBOXINFO server{};
  server.cbSize = sizeof server;
  ASSERT_TRUE(GetComboBoxInfo(GetDlgItem(dialog, res::IDC_SERVER), &server));
  Type(server.hwndItem, L"h\u00f6st");
  EXPECT_EQ(Text(server.hwndItem), L"hst");

  HWND rarPassword = GetDlgItem(dialog, res::IDC_RAR_PASSWORD);
  Type(rarPassword, L"K\u00e4se");
  EXPECT_EQ(Text(rarPassword), L"K\u00e4se");

  HWND netUser = GetDlgItem(dialog, res::IDC_NET_USER);
  ASSERT_TRUE(PutOnClipboard(dialog, L"K\u00e4se-\u7528\u6237"));
  SendMessageW(netUser, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(netUser), L"Kse-\u7528\u6237");

  DestroyWindow(dialog);
}

}  // namespace
}  // namespace harrowlander::win32
