// The parts of the Windows front end that need no window: the file-dialog filter, the
// minimised icon's place, the message map, and the icon the resource generator writes.
#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_platform.h"
#include "gui/win32/command_routes.h"
#include "gui/win32/file_dialog.h"
#include "gui/win32/minimized_icon.h"
#include "gui/win32/resource_generator/ico_writer.h"
#include "gui/win32/resource_generator/rc_writer.h"
#include "gui/win32/template_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander::win32 {
namespace {

using namespace std::string_literals;

TEST(FileDialogFilter, BarsBecomeNulsAndTheListEndsInTwo) {
  EXPECT_EQ(FileDialogFilter("备份文件(*.bak)|*.bak|所有文件(*.*)|*.*||"),
            L"备份文件(*.bak)\0*.bak\0所有文件(*.*)\0*.*\0\0\0\0"s);
  EXPECT_EQ(FileDialogFilter("RAR|rar.exe"), L"RAR\0rar.exe\0\0"s);
}

// Integer division, which rounds towards zero also where the icon is the larger.
TEST(CenteredIconOrigin, CentresWithIntegerDivision) {
  EXPECT_EQ(CenteredIconOrigin(160, 24, 32, 32).x, 64);
  EXPECT_EQ(CenteredIconOrigin(160, 24, 32, 32).y, -3);
  EXPECT_EQ(CenteredIconOrigin(33, 34, 32, 32).x, 1);
  EXPECT_EQ(CenteredIconOrigin(33, 34, 32, 32).y, 1);
}

class CommandRoutesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.UpdateData(false);  // the defaults, which pass validation
    fake.window.events.clear();
  }

  testing::FakePlatform fake;
  CHarrowlanderDlg dlg{fake.ports};
};

TEST_F(CommandRoutesTest, EachNotificationReachesItsHandler) {
  EXPECT_TRUE(RouteCommand(dlg, res::IDC_ABOUT, BN_CLICKED));
  EXPECT_EQ(fake.window.aboutBoxes, 1);
  EXPECT_TRUE(RouteCommand(dlg, res::IDC_MODE_SHRINK, BN_CLICKED));
  EXPECT_TRUE(RouteCommand(dlg, res::IDC_MODE_DROP_TABLES, BN_CLICKED));
  EXPECT_EQ(fake.window.focused,
            (std::vector<int>{res::IDC_SHRINK_PERCENT, res::IDC_TABLE_KEYWORD}));
  EXPECT_TRUE(RouteCommand(dlg, res::IDC_SERVER, CBN_DROPDOWN));
  EXPECT_EQ(fake.browser.calls, 1);
}

TEST_F(CommandRoutesTest, OtherNotificationsAndExitAreNotRouted) {
  EXPECT_FALSE(RouteCommand(dlg, res::IDC_SERVER, CBN_CLOSEUP));
  EXPECT_FALSE(RouteCommand(dlg, res::IDC_DATABASE, CBN_EDITCHANGE));
  EXPECT_FALSE(RouteCommand(dlg, IDCANCEL, BN_CLICKED));  // the dialog's default cancel
  EXPECT_FALSE(RouteCommand(dlg, res::IDC_SAVE_SQL_PASSWORD, BN_CLICKED));
  EXPECT_TRUE(fake.window.events.empty());
}

const char* const kTwoByTwo[] = {"2 2 2 1", ". c None", "r c #FF0000", "r.", ".r"};

TEST(IconWriter, WritesA16ColourImageWithItsMask) {
  const resgen::XpmImage images[] = {{kTwoByTwo}};
  const std::vector<std::uint8_t> ico = resgen::IconFileFromXpm(images);
  ASSERT_EQ(ico.size(), 6u + 16u + 40u + 64u + 8u + 8u);
  EXPECT_EQ(ico[2], 1);  // an icon
  EXPECT_EQ(ico[4], 1);  // one image
  EXPECT_EQ(ico[6], 2);  // 2 by 2
  EXPECT_EQ(ico[7], 2);
  EXPECT_EQ(ico[8], 16);                      // colours
  const size_t palette = 6 + 16 + 40;         // after the header and BITMAPINFOHEADER
  EXPECT_EQ(ico[palette + 4 * 1 + 2], 0xFF);  // colour 1 is red (B, G, R order)
  const size_t colour = palette + 64;
  EXPECT_EQ(ico[colour], 0x01);      // bottom row ".r": transparent (0), red (1)
  EXPECT_EQ(ico[colour + 4], 0x10);  // top row "r."
  const size_t mask = colour + 8;
  EXPECT_EQ(ico[mask], 0x80);      // bottom row: the left pixel is transparent
  EXPECT_EQ(ico[mask + 4], 0x40);  // top row: the right one

  // The system takes the image as an icon.
  HICON icon =
      CreateIconFromResourceEx(const_cast<BYTE*>(ico.data() + 22),
                               static_cast<DWORD>(ico.size() - 22), TRUE, 0x00030000, 0, 0, 0);
  EXPECT_NE(icon, nullptr);
  DestroyIcon(icon);
}

TEST(IconWriter, RefusesImagesItCannotWriteFaithfully) {
  const char* const tooWide[] = {"2 1 1 1", "r c #FF0000", "rrr"};
  const char* const unknownColour[] = {"1 1 1 1", "r c #FF0000", "x"};
  const char* const named[] = {"1 1 1 1", "r c red", "r"};
  for (const auto& lines :
       {std::span<const char* const>(tooWide), std::span<const char* const>(unknownColour),
        std::span<const char* const>(named)}) {
    const resgen::XpmImage images[] = {{lines}};
    EXPECT_THROW(resgen::IconFileFromXpm(images), resgen::XpmError);
  }
  std::vector<std::string> colours;
  std::vector<const char*> many = {"1 1 16 1"};
  for (int i = 0; i < 16; ++i) {
    colours.push_back(std::string(1, static_cast<char>('a' + i)) + " c #0000" +
                      (i < 10 ? "0" : "") + std::to_string(i));
  }
  for (const std::string& line : colours)
    many.push_back(line.c_str());
  many.push_back("a");
  const resgen::XpmImage images[] = {{many}};
  EXPECT_THROW(resgen::IconFileFromXpm(images), resgen::XpmError);
}

TEST(ResourceScript, QuotesTextsAsTheResourceCompilerReadsThem) {
  EXPECT_EQ(resgen::QuoteResourceString("a \"b\" c\\d 中"), "\"a \"\"b\"\" c\\\\d 中\"");
}

}  // namespace
}  // namespace harrowlander::win32
