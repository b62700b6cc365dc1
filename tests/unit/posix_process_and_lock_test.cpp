#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/freetds_client_utility.h"
#include "platform/posix/lock_file_instance_lock.h"
#include "platform/posix/spawn_process_launcher.h"

namespace harrowlander::posix {
namespace {

namespace fs = std::filesystem;

// A private directory, with environment variables pointed into it for one test.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/harrowlander-posix-XXXXXX";
    dir = mkdtemp(pattern);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved) {
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    fs::remove_all(dir);
  }
  void SetEnv(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name.c_str(), value.c_str(), 1);
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

using SpawnProcessLauncherTest = ScratchTest;

TEST_F(SpawnProcessLauncherTest, PassesTheArgumentsSplitByWindowsRulesAndWaitsForTheEnd) {
  const fs::path out = dir / "args";
  const fs::path script = dir / "record.sh";
  std::ofstream(script) << "printf '%s|' \"$@\" > " << out.string() << "; sleep 0.2\n";
  SpawnProcessLauncher launcher;
  ASSERT_TRUE(
      launcher.StartAndWait("/bin/sh", " " + script.string() + R"( "D:\bk\a b.bak" -hpx\"y "")"));
  EXPECT_EQ(Read(out), R"(D:\bk\a b.bak|-hpx"y||)");  // written before the return
}

TEST_F(SpawnProcessLauncherTest, AProgramThatFailsStillCountsAsStartedAndOneMissingDoesNot) {
  SpawnProcessLauncher launcher;
  EXPECT_TRUE(launcher.StartAndWait("/bin/false", ""));
  EXPECT_FALSE(launcher.StartAndWait((dir / "missing").string(), " -?"));
  EXPECT_FALSE(launcher.StartAndWait("false", ""));  // the path is not searched for
}

class LockFileInstanceLockTest : public ScratchTest {
 protected:
  static constexpr LockAttempt::Result kTaken = LockAttempt::Result::kTaken;
  static constexpr LockAttempt::Result kRunning = LockAttempt::Result::kHeldByAnotherInstance;
  static constexpr LockAttempt::Result kFailed = LockAttempt::Result::kFailed;

  // A directory of this test's with the given mode, owned by `owner`.
  fs::path Directory(const std::string& name, mode_t mode, uid_t owner = geteuid()) {
    const fs::path path = dir / name;
    fs::create_directories(path);
    chmod(path.c_str(), mode);
    EXPECT_EQ(chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
    return path;
  }
};

TEST_F(LockFileInstanceLockTest, OneHolderAtATimeAndFreeAgainAfterRelease) {
  SetEnv("XDG_RUNTIME_DIR", dir.string());
  LockFileInstanceLock first("Harrowlander");
  LockFileInstanceLock second("Harrowlander");
  EXPECT_EQ(first.path(), (dir / "Harrowlander.lock").string());

  EXPECT_EQ(first.TryAcquire().result, kTaken);
  EXPECT_EQ(first.TryAcquire().result, kTaken) << "the holder keeps it";
  EXPECT_EQ(second.TryAcquire().result, kRunning) << "another descriptor holds it";
  second.Release();  // not held: no effect
  EXPECT_EQ(second.TryAcquire().result, kRunning);
  first.Release();
  EXPECT_EQ(second.TryAcquire().result, kTaken);
}

TEST_F(LockFileInstanceLockTest, AnotherProcessHoldingItRefusesAndItsEndFreesIt) {
  SetEnv("XDG_RUNTIME_DIR", dir.string());
  LockFileInstanceLock lock("Harrowlander");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    LockFileInstanceLock holder("Harrowlander");
    const char ok = holder.TryAcquire().result == kTaken ? '1' : '0';
    (void)!write(ready[1], &ok, 1);
    pause();  // killed, never released: the system must drop the lock
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, '1');
  const LockAttempt refused = lock.TryAcquire();
  EXPECT_EQ(refused.result, kRunning);
  EXPECT_EQ(refused.failure, "");
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(lock.TryAcquire().result, kTaken);
}

// No other user can take the name first: a runtime directory that is not private to
// this user is passed over for a private one in the cache directory.
TEST_F(LockFileInstanceLockTest, ARuntimeDirectoryOthersOwnOrMayWriteIsNotUsed) {
  SetEnv("XDG_CACHE_HOME", (dir / "cache").string());
  const std::string privateLock = (dir / "cache" / "harrowlander" / "Harrowlander.lock").string();
  // Not running as root, the root directory stands in for a directory of another user.
  const fs::path foreign = geteuid() == 0 ? Directory("foreign", 0700, 65534) : fs::path("/");
  for (const fs::path& runtime :
       {Directory("world", 0777), Directory("group", 0770), foreign, dir / "absent"}) {
    SetEnv("XDG_RUNTIME_DIR", runtime.string());
    EXPECT_EQ(LockFileInstanceLock("Harrowlander").path(), privateLock) << runtime;
  }

  LockFileInstanceLock lock("Harrowlander");
  ASSERT_EQ(lock.TryAcquire().result, kTaken);
  struct stat info {};
  ASSERT_EQ(stat((dir / "cache" / "harrowlander").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(LockFileInstanceLock("Harrowlander").TryAcquire().result, kRunning);
}

TEST_F(LockFileInstanceLockTest, AnUnusableDirectoryIsAFailureThatNamesItNotARunningInstance) {
  SetEnv("XDG_RUNTIME_DIR", (dir / "absent").string());
  const struct {
    std::string cacheHome;
    std::string reason;
  } cases[] = {
      {Directory("open", 0700).string(), "writable by group or others"},
      {Directory("theirs", 0700).string(), "owned by another user"},
      {(dir / "file").string(), "Not a directory"},
  };
  Directory("open/harrowlander", 0777);
  if (geteuid() == 0) {
    Directory("theirs/harrowlander", 0700, 65534);
  }
  std::ofstream(dir / "file") << "";

  for (const auto& [cacheHome, reason] : cases) {
    if (reason == "owned by another user" && geteuid() != 0) {
      continue;  // only root can give a directory away
    }
    SetEnv("XDG_CACHE_HOME", cacheHome);
    const LockAttempt attempt = LockFileInstanceLock("Harrowlander").TryAcquire();
    EXPECT_EQ(attempt.result, kFailed) << cacheHome;
    EXPECT_EQ(attempt.failure, cacheHome + "/harrowlander: " + reason);
  }
}

using FreeTdsClientUtilityTest = ScratchTest;

TEST_F(FreeTdsClientUtilityTest, CreatesACommentedConfigOnceAndOpensItWithTheDesktopEditor) {
  SetEnv("HOME", dir.string());
  fs::create_directory(dir / "bin");
  std::ofstream(dir / "bin" / "xdg-open") << "#!/bin/sh\n";
  fs::permissions(dir / "bin" / "xdg-open", fs::perms::owner_all);
  SetEnv("PATH", "/nonexistent:" + (dir / "bin").string());

  const ProgramInvocation invocation = FreeTdsClientUtility().Prepare();
  const fs::path config = dir / ".freetds.conf";
  EXPECT_EQ(invocation.applicationPath, (dir / "bin" / "xdg-open").string());
  EXPECT_EQ(invocation.commandLine, " \"" + config.string() + "\"");
  const std::string text = Read(config);
  EXPECT_NE(text.find("#\ttds version"), std::string::npos);
  for (size_t line = 0; line < text.size(); line = text.find('\n', line) + 1) {
    EXPECT_EQ(text[line], '#') << "every line of the template is a comment";
  }

  std::ofstream(config) << "[MINE]\n\thost = 127.0.0.1\n";
  FreeTdsClientUtility().Prepare();
  EXPECT_EQ(Read(config), "[MINE]\n\thost = 127.0.0.1\n");
}

TEST_F(FreeTdsClientUtilityTest, WithoutAnEditorOnThePathTheLaunchFails) {
  SetEnv("HOME", dir.string());
  SetEnv("PATH", (dir / "empty").string());
  const ProgramInvocation invocation = FreeTdsClientUtility().Prepare();
  EXPECT_FALSE(
      SpawnProcessLauncher().StartAndWait(invocation.applicationPath, invocation.commandLine));
}

}  // namespace
}  // namespace harrowlander::posix
