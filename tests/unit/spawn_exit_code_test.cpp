#include <gtest/gtest.h>

#include "platform/posix/spawn_process_launcher.h"

namespace harrowlander {
namespace {

TEST(SpawnProcessLauncher, AnswersTheExitCodeOrNothingWhenTheProgramCannotStart) {
  posix::SpawnProcessLauncher launcher;
  EXPECT_EQ(launcher.StartAndWait("/bin/sh", R"( -c "exit 3")"), 3);
  EXPECT_EQ(launcher.StartAndWait("/bin/sh", R"( -c "kill -9 $$")"), 128 + 9);
  EXPECT_EQ(launcher.StartAndWait("/no/such/program", " a"), std::nullopt);
  EXPECT_TRUE(launcher.StartAndWait("/bin/sh", R"( -c "exit 1")"));
}

}  // namespace
}  // namespace harrowlander
