#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "main_window_fixture.h"

namespace harrowlander::wx::testing {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The button with a home of its own and a desktop editor that records what it opened.
class ClientUtilityTest : public MainWindowTest {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/harrowlander-home-XXXXXX";
    home = mkdtemp(pattern);
    fs::create_directory(home / "bin");
    std::ofstream(home / "bin" / "xdg-open")
        << "#!/bin/sh\nprintf '%s' \"$*\" > " << (home / "opened").string() << "\n";
    fs::permissions(home / "bin" / "xdg-open", fs::perms::owner_all);
    oldHome = std::getenv("HOME");
    oldPath = std::getenv("PATH");
    setenv("HOME", home.c_str(), 1);
    setenv("PATH", ((home / "bin").string() + ":" + oldPath).c_str(), 1);
    MainWindowTest::SetUp();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    setenv("HOME", oldHome.c_str(), 1);
    setenv("PATH", oldPath.c_str(), 1);
    fs::remove_all(home);
  }

  fs::path home;
  std::string oldHome;
  std::string oldPath;
};

TEST_F(ClientUtilityTest, TheButtonOpensTheUsersFreeTdsConfigCreatedFromTheTemplate) {
  driver.Click(C(IDC_CONFIGURE_CLIENT));
  ASSERT_TRUE(driver.WaitFor([&] { return fs::exists(home / "opened"); }));
  EXPECT_EQ(Read(home / "opened"), (home / ".freetds.conf").string());
  EXPECT_NE(Read(home / ".freetds.conf").find("[global]"), std::string::npos);
}

TEST_F(ClientUtilityTest, WithoutAnEditorTheLaunchFailureIsShownAndTheDialogGoesOn) {
  fs::remove(home / "bin" / "xdg-open");
  setenv("PATH", (home / "bin").c_str(), 1);
  WindowDriver::BoxAnswer box(driver, WXK_RETURN);
  driver.Click(C(IDC_CONFIGURE_CLIENT));
  ASSERT_TRUE(driver.WaitFor([&] { return box.answered(); }));
  EXPECT_EQ(box.message().utf8_string(), "The process could not be started...");
  EXPECT_EQ(box.caption().utf8_string(), "");
  driver.Pump(200);
  EXPECT_TRUE(window->IsShown());
}

}  // namespace
}  // namespace harrowlander::wx::testing
