#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

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

// The command line leaves its stop signals blocked to a thread of their own; a program it
// starts still ends on them.
TEST(SpawnProcessLauncher, TheProgramStartsWithNoSignalBlocked) {
  sigset_t terminate;
  sigemptyset(&terminate);
  sigaddset(&terminate, SIGTERM);
  sigset_t before;
  pthread_sigmask(SIG_BLOCK, &terminate, &before);
  posix::SpawnProcessLauncher launcher;
  const std::optional<int> exitCode =
      launcher.StartAndWait("/bin/sh", R"( -c "kill -TERM $$; exit 0")");
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  EXPECT_EQ(exitCode, 128 + SIGTERM);
}

}  // namespace
}  // namespace harrowlander
