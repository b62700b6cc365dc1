// The window adapter over the real main dialog, made from the program's resource and
// shown on the test display, as the core's calls reach it.
#include <gtest/gtest.h>

#include "gui/win32/template_ids.h"
#include "gui/win32/win32_dialog_window.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {
namespace {

INT_PTR CALLBACK InertProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

class DialogWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog =
        CreateDialogParamW(GetModuleHandleW(nullptr),
                           MAKEINTRESOURCEW(res::IDD_HARROWLANDER_DIALOG), nullptr, InertProc, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    window.Attach(dialog);
  }
  void TearDown() override {
    window.Detach();
    DestroyWindow(dialog);
  }

  HWND dialog = nullptr;
  Win32DialogWindow window;
};

TEST_F(DialogWindowTest, TextsOfEveryKindOfControlCrossAsUtf8) {
  for (const int id : {res::IDC_NET_USER, res::IDC_STATUS, IDOK, res::IDC_SERVER}) {
    window.SetControlText(id, "销售 (local)\\实例");
    EXPECT_EQ(window.GetControlText(id), "销售 (local)\\实例") << id;
  }
  window.SetControlTextNow(res::IDC_STATUS, "已复制 50%");
  EXPECT_EQ(window.GetControlText(res::IDC_STATUS), "已复制 50%");
  window.SetControlText(res::IDC_NET_USER, "");
  EXPECT_EQ(window.GetControlText(res::IDC_NET_USER), "");
}

TEST_F(DialogWindowTest, ChecksRadiosAndEnabledStates) {
  window.SetCheck(res::IDC_SAME_MACHINE, true);
  EXPECT_TRUE(window.IsChecked(res::IDC_SAME_MACHINE));
  window.SetCheck(res::IDC_SAME_MACHINE, false);
  EXPECT_FALSE(window.IsChecked(res::IDC_SAME_MACHINE));
  window.SetCheck(res::IDC_MODE_SHRINK, true);
  EXPECT_TRUE(window.IsChecked(res::IDC_MODE_SHRINK));

  window.EnableControl(res::IDC_TABLE_KEYWORD, false);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, res::IDC_TABLE_KEYWORD)));
  window.EnableControl(res::IDC_TABLE_KEYWORD, true);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, res::IDC_TABLE_KEYWORD)));
}

TEST_F(DialogWindowTest, ComboListKeepsTheOrderOfAddingAndResetEmptiesListAndText) {
  window.SetControlText(res::IDC_DATABASE, "typed");
  for (const char* name : {"Sales", "Inventory", "销售"}) {
    window.AddComboString(res::IDC_DATABASE, name);
  }
  EXPECT_EQ(window.GetComboItems(res::IDC_DATABASE),
            (std::vector<std::string>{"Sales", "Inventory", "销售"}));
  EXPECT_EQ(window.GetComboSelection(res::IDC_DATABASE), -1);

  window.SetComboSelection(res::IDC_DATABASE, 2);
  EXPECT_EQ(window.GetComboSelection(res::IDC_DATABASE), 2);
  EXPECT_EQ(window.GetControlText(res::IDC_DATABASE), "销售");

  window.ResetComboContent(res::IDC_DATABASE);
  EXPECT_TRUE(window.GetComboItems(res::IDC_DATABASE).empty());
  EXPECT_EQ(window.GetControlText(res::IDC_DATABASE), "");
  EXPECT_EQ(window.GetComboSelection(res::IDC_DATABASE), -1);
}

TEST_F(DialogWindowTest, FocusAndSelectAllSelectsTheWholeText) {
  window.SetControlText(res::IDC_SHRINK_PERCENT, "1000");
  window.FocusAndSelectAll(res::IDC_SHRINK_PERCENT);
  HWND edit = GetDlgItem(dialog, res::IDC_SHRINK_PERCENT);
  EXPECT_EQ(GetFocus(), edit);
  DWORD start = 99, end = 99;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
}

TEST_F(DialogWindowTest, DecorationsGoOnTheSystemMenuAndTheWindow) {
  HMENU menu = GetSystemMenu(dialog, FALSE);
  ASSERT_NE(menu, nullptr);
  const int before = GetMenuItemCount(menu);
  window.AppendAboutToSystemMenu(res::IDM_ABOUTBOX, "关于 Harrowlander(&A)...");
  ASSERT_EQ(GetMenuItemCount(menu), before + 2);
  EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(before), MF_BYPOSITION) & MF_SEPARATOR,
            static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuItemID(menu, before + 1), static_cast<UINT>(res::IDM_ABOUTBOX));
  wchar_t text[64] = {};
  GetMenuStringW(menu, static_cast<UINT>(before + 1), text, 64, MF_BYPOSITION);
  EXPECT_EQ(Narrow(text), "关于 Harrowlander(&A)...");

  window.SetIcon(res::IDR_MAINFRAME, true);
  window.SetIcon(res::IDR_MAINFRAME, false);
  EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(DialogWindowTest, UnknownControlsAndADetachedWindowAreIgnored) {
  window.SetControlText(4242, "x");
  EXPECT_EQ(window.GetControlText(4242), "");
  EXPECT_FALSE(window.IsChecked(4242));
  EXPECT_TRUE(window.GetComboItems(4242).empty());
  window.Detach();
  window.SetControlText(res::IDC_NET_USER, "x");
  EXPECT_EQ(window.GetControlText(res::IDC_NET_USER), "");
  EXPECT_EQ(window.GetComboSelection(res::IDC_DATABASE), -1);
}

}  // namespace
}  // namespace harrowlander::win32
