#include <gtest/gtest.h>
#include <wx/odcombo.h>

#include <iostream>
#include <string>
#include <vector>

#include "main_window_fixture.h"

namespace harrowlander::wx::testing {
namespace {

// The servers the network announces, always the same two.
class AnnouncedServers : public ServerBrowser {
 public:
  ServerEnumeration EnumerateSqlServers() override {
    ServerEnumeration found;
    found.entries = {{0, "DBHOST\\SQL2000", 8, 0, 0, ""}, {0, "FILES01", 8, 0, 0, ""}};
    return found;
  }
};

class ServerBoxWindowTest : public MainWindowTest {
 protected:
  Platform DialogPorts() override {
    LinuxAdapters& a = *adapters;
    return Platform{a.window,  a.system,  a.files,    a.codec,         a.sql,    announced,
                    std::cout, std::cerr, a.launcher, a.clientUtility, a.network};
  }

  AnnouncedServers announced;
};

TEST_F(ServerBoxWindowTest, PickingAnAnnouncedServerNamesItsMachineAndProgramTextsDoNot) {
  // Text the program writes into the server box is no edit of the user's.
  adapters->window.SetControlText(IDC_NET_SERVER, "KEPT");
  adapters->window.SetControlText(IDC_SERVER, "ELSEWHERE\\SQL");
  driver.Pump(100);
  EXPECT_EQ(Text(IDC_NET_SERVER), "KEPT");

  auto& combo = dynamic_cast<wxOwnerDrawnComboBox&>(C(IDC_SERVER));
  driver.ClickRightEnd(combo);
  ASSERT_TRUE(driver.WaitFor([&] { return combo.IsPopupShown(); }));
  ASSERT_EQ(adapters->window.GetComboItems(IDC_SERVER),
            (std::vector<std::string>{"DBHOST\\SQL2000", "FILES01"}));
  EXPECT_EQ(Text(IDC_NET_SERVER), "KEPT");  // the refill put the typed text back itself

  driver.Key(WXK_DOWN);
  driver.Key(WXK_RETURN);
  ASSERT_TRUE(driver.WaitFor([&] { return !combo.IsPopupShown(); }));
  EXPECT_EQ(Text(IDC_SERVER), "DBHOST\\SQL2000");
  EXPECT_EQ(Text(IDC_NET_SERVER), "DBHOST");
}

}  // namespace
}  // namespace harrowlander::wx::testing
