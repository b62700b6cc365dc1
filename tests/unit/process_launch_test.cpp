#include <gtest/gtest.h>

#include "fakes/dialog_fixture.h"
#include "tools/process_launch.h"

namespace harrowlander::testing {
namespace {

using ProcessLaunchTest = DialogTest;

TEST_F(ProcessLaunchTest, AStartedProgramCountsAsSuccessWithoutAMessage) {
  EXPECT_EQ(RunProcessAndWait(fake.ports, "/usr/bin/rar", " a x"), 1);
  ASSERT_EQ(fake.launcher.starts.size(), 1u);
  EXPECT_EQ(fake.launcher.starts[0].applicationPath, "/usr/bin/rar");
  EXPECT_EQ(fake.launcher.starts[0].commandLine, " a x");
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

TEST_F(ProcessLaunchTest, AProgramThatCannotStartIsReportedInAPlainBox) {
  fake.launcher.missing = {"/nowhere/rar"};
  EXPECT_EQ(RunProcessAndWait(fake.ports, "/nowhere/rar", " a x"), 0);
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "The process could not be started...");
  EXPECT_EQ(fake.window.messageBoxes[0].caption, "");
  EXPECT_EQ(fake.window.messageBoxes[0].style, mb::kOk | mb::kTaskModal);  // no owner
}

TEST_F(ProcessLaunchTest, ConfigureClientStartsTheSystemsClientUtility) {
  Open();
  dlg.OnConfigureClient();
  EXPECT_EQ(fake.clientUtility.prepared, 1);
  ASSERT_EQ(fake.launcher.starts.size(), 1u);
  EXPECT_EQ(fake.launcher.starts[0].applicationPath, "/usr/bin/xdg-open");
  EXPECT_EQ(fake.launcher.starts[0].commandLine, " \"/home/user/.freetds.conf\"");
}

TEST_F(ProcessLaunchTest, AMissingClientUtilityShowsTheBoxAndTheDialogGoesOn) {
  Open();
  fake.launcher.missing = {"/usr/bin/xdg-open"};
  const auto eventsBefore = fake.window.events.size();
  dlg.OnConfigureClient();
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text, "The process could not be started...");
  EXPECT_EQ(fake.window.events.size(), eventsBefore + 1);  // the box and nothing else
  EXPECT_TRUE(fake.window.beeps.empty());
}

}  // namespace
}  // namespace harrowlander::testing
