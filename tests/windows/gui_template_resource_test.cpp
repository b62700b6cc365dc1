// The resource the Windows program is built with, against the core's template table it
// was generated from: each dialog made from the resource has every control of the table
// where the table puts it, with its class and styles; icon 128 and string 101 are there.
#include <gtest/gtest.h>

#include "gui/win32/template_ids.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"
#include "res/dialog_templates.h"

namespace harrowlander::win32 {
namespace {

INT_PTR CALLBACK InertProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

const wchar_t* ExpectedClass(res::ControlKind kind) {
  switch (kind) {
    case res::ControlKind::kRadioButton:
    case res::ControlKind::kCheckBox:
    case res::ControlKind::kGroupBox:
    case res::ControlKind::kPushButton:
    case res::ControlKind::kDefaultPushButton:
      return L"Button";
    case res::ControlKind::kComboDropDown:
      return L"ComboBox";
    case res::ControlKind::kEdit:
      return L"Edit";
    default:
      return L"Static";
  }
}

class TemplateResourceTest : public ::testing::TestWithParam<const res::DialogTemplate*> {
 protected:
  void SetUp() override {
    dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(GetParam()->id),
                                nullptr, InertProc, 0);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override { DestroyWindow(dialog); }

  HWND dialog = nullptr;
};

TEST_P(TemplateResourceTest, HasTheCaptionAndSizeOfTheTable) {
  const res::DialogTemplate& table = *GetParam();
  wchar_t caption[128] = {};
  GetWindowTextW(dialog, caption, 128);
  EXPECT_EQ(Narrow(caption), table.caption);
  RECT size{0, 0, table.width, table.height};
  MapDialogRect(dialog, &size);
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);
  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  EXPECT_EQ((style & WS_SYSMENU) != 0, table.hasSystemMenu);
  EXPECT_EQ((style & WS_MINIMIZEBOX) != 0, table.hasMinimizeBox);
  EXPECT_EQ((GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0, table.showInTaskbar);
}

// Every control in tab order, as the table lists them, at its place in dialog units.
TEST_P(TemplateResourceTest, HoldsEveryControlOfTheTableInOrderAndPlace) {
  HWND child = GetWindow(dialog, GW_CHILD);
  for (const res::ControlTemplate& control : GetParam()->controls) {
    ASSERT_NE(child, nullptr) << "missing control " << control.id << " " << control.text;
    SCOPED_TRACE(testing::Message() << "control " << control.id << " " << control.text);
    EXPECT_EQ(GetDlgCtrlID(child), control.id == res::kNoId ? -1 : control.id);
    EXPECT_EQ(ClassOf(child).size(), std::wstring(ExpectedClass(control.kind)).size());
    EXPECT_EQ(lstrcmpiW(ClassOf(child).c_str(), ExpectedClass(control.kind)), 0);

    // Position and size convert separately, as the dialog manager converts them.
    RECT expected{control.rect.x, control.rect.y, control.rect.width, control.rect.height};
    MapDialogRect(dialog, &expected);
    RECT actual;
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    if (control.kind != res::ControlKind::kIcon) {  // an icon sizes itself to its image
      EXPECT_EQ(actual.right - actual.left, expected.right);
    }
    // A combo box's height in the table includes its dropped list.
    if (control.kind != res::ControlKind::kComboDropDown &&
        control.kind != res::ControlKind::kIcon) {
      EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
    }

    const LONG style = GetWindowLongW(child, GWL_STYLE);
    EXPECT_EQ((style & WS_TABSTOP) != 0, control.tabStop);
    EXPECT_EQ((style & WS_GROUP) != 0, control.groupStart);
    EXPECT_TRUE(IsWindowEnabled(child)) << "no control starts disabled";
    if (control.kind == res::ControlKind::kEdit) {
      EXPECT_EQ((style & ES_PASSWORD) != 0, (control.styles & res::kPassword) != 0);
      EXPECT_EQ((style & ES_READONLY) != 0, (control.styles & res::kReadOnly) != 0);
      EXPECT_EQ((style & ES_RIGHT) != 0, (control.styles & res::kRightAligned) != 0);
      EXPECT_EQ((style & ES_AUTOHSCROLL) != 0, (control.styles & res::kAutoHScroll) != 0);
    }
    if (control.kind == res::ControlKind::kComboDropDown) {
      EXPECT_EQ(style & CBS_AUTOHSCROLL, 0) << "typing is limited to the visible width";
    }
    if (control.kind != res::ControlKind::kIcon &&
        control.kind != res::ControlKind::kComboDropDown) {
      wchar_t text[128] = {};
      GetWindowTextW(child, text, 128);
      EXPECT_EQ(Narrow(text), control.text);
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "a control that the table does not have";
}

INSTANTIATE_TEST_SUITE_P(Dialogs, TemplateResourceTest,
                         ::testing::Values(&res::MainDialogTemplate(),
                                           &res::AboutDialogTemplate()));

TEST(TemplateResource, HoldsTheSystemMenuTextAndTheIconInBothSizes) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const wchar_t* text = nullptr;
  const int length = LoadStringW(instance, res::IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
  EXPECT_EQ(Narrow(std::wstring_view(text, static_cast<size_t>(length))), res::kAboutMenuText);
  for (const int size : {32, 16}) {
    HICON icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(res::IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    EXPECT_EQ(colour.bmHeight, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

}  // namespace
}  // namespace harrowlander::win32
