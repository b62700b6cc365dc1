#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "fakes/fake_platform.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_system_info.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {
namespace {

namespace fs = std::filesystem;

// A fresh directory under the test temp directory, removed with everything in it.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = fs::path(::testing::TempDir()) / "harrowlander-XXXXXX";
    m_path = mkdtemp(pattern.data());
  }
  ~ScratchDirectory() {
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(m_path);
  }
  const fs::path& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path / name; }

 private:
  fs::path m_path;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

unsigned Mode(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

int EntryCount(const fs::path& directory) {
  return static_cast<int>(std::distance(fs::directory_iterator(directory), {}));
}

TEST(PosixFileSystem, ReplacingCreatesAnOwnerOnlyFileAndLeavesNothingElse) {
  ScratchDirectory dir;
  posix::PosixFileSystem files;
  const std::string path = dir / "Harrowlander.dat";
  std::string content(10000, 'x');
  content[5] = '\0';

  FileResult result = files.ReplaceFilePrivately(path, content);

  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ(ReadFile(path), content);
  EXPECT_EQ(Mode(path), 0600u);
  EXPECT_EQ(EntryCount(dir.path()), 1);
  EXPECT_EQ(files.ReadWholeFile(path), content);
}

TEST(PosixFileSystem, ReplacingAnExistingFileMakesItOwnerOnly) {
  ScratchDirectory dir;
  posix::PosixFileSystem files;
  const std::string path = dir / "Harrowlander.dat";
  WriteFile(path, "old content that is longer than the new");
  chmod(path.c_str(), 0644);

  EXPECT_TRUE(files.ReplaceFilePrivately(path, "new").ok);
  EXPECT_EQ(ReadFile(path), "new");
  EXPECT_EQ(Mode(path), 0600u);
  EXPECT_EQ(EntryCount(dir.path()), 1);
}

TEST(PosixFileSystem, FailedReplaceReportsAndLeavesNoTemporaryFile) {
  ScratchDirectory dir;
  posix::PosixFileSystem files;
  const std::string target = dir / "Harrowlander.dat";
  fs::create_directory(target);
  fs::create_directory(dir / "sub");

  FileResult onDirectory = files.ReplaceFilePrivately(target, "new");
  FileResult noParent = files.ReplaceFilePrivately(dir / "missing/Harrowlander.dat", "new");

  EXPECT_FALSE(onDirectory.ok);
  EXPECT_FALSE(onDirectory.error.empty());
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_FALSE(noParent.ok);
  EXPECT_EQ(noParent.error, "No such file or directory");
  EXPECT_EQ(EntryCount(dir.path()), 2);
}

TEST(PosixFileSystem, UnwritableDirectoryKeepsTheOldFile) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root writes into any directory";
  }
  ScratchDirectory dir;
  posix::PosixFileSystem files;
  const std::string path = dir / "Harrowlander.dat";
  WriteFile(path, "old");
  chmod(dir.path().c_str(), 0500);

  FileResult result = files.ReplaceFilePrivately(path, "new");

  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Permission denied");
  EXPECT_EQ(ReadFile(path), "old");
}

TEST(PosixFileSystem, NothingToReadFromAMissingFileOrADirectory) {
  ScratchDirectory dir;
  posix::PosixFileSystem files;
  EXPECT_EQ(files.ReadWholeFile(dir / "missing"), std::nullopt);
  EXPECT_EQ(files.ReadWholeFile(dir.path()), std::nullopt);
}

// The fakes' ports, with the real file system of this machine.
Platform WithRealFiles(testing::FakePlatform& fake, posix::PosixFileSystem& files) {
  return {fake.window,         fake.system,        files,
          fake.codec,          fake.sql,           fake.browser,
          fake.standardOutput, fake.standardError, fake.launcher,
          fake.clientUtility};
}

TEST(PosixFileSystem, DialogSettingsRoundTripThroughARealFile) {
  ScratchDirectory dir;
  testing::FakePlatform fake;
  posix::PosixFileSystem files;
  fake.system.settingsDirectory = dir.path().string();
  Platform ports = WithRealFiles(fake, files);
  CHarrowlanderDlg saved(ports);
  saved.m_strServer = "服务器";
  saved.m_nMode = 4;

  ASSERT_TRUE(saved.SerializeSettings(true));
  CHarrowlanderDlg loaded(ports);
  ASSERT_TRUE(loaded.SerializeSettings(false));

  EXPECT_EQ(Mode(dir / "Harrowlander.dat"), 0600u);
  EXPECT_EQ(loaded.m_strServer, "服务器");
  EXPECT_EQ(loaded.m_nMode, 4);
  EXPECT_TRUE(fake.window.messageBoxes.empty());
}

// The kernel's view of this process's memory opens, and its first read fails with an
// I/O error: a settings file that breaks while it is read. A folder in its place
// counts as no file at all.
TEST(PosixFileSystem, ASettingsFileThatFailsWhileBeingReadIsReportedAndAFolderIsNot) {
  ScratchDirectory dir;
  testing::FakePlatform fake;
  posix::PosixFileSystem files;
  fake.system.settingsDirectory = dir.path().string();
  Platform ports = WithRealFiles(fake, files);
  const std::string path = dir / "Harrowlander.dat";

  fs::create_directory(path);
  CHarrowlanderDlg beforeFolder(ports);
  ASSERT_TRUE(beforeFolder.SerializeSettings(false));
  EXPECT_TRUE(fake.window.messageBoxes.empty());
  fs::remove(path);

  fs::create_symlink("/proc/self/mem", path);
  EXPECT_EQ(files.ReadFileContent(path).status, FileContent::Status::kReadFailed);
  CHarrowlanderDlg loaded(ports);
  ASSERT_TRUE(loaded.SerializeSettings(false));
  ASSERT_EQ(fake.window.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.window.messageBoxes[0].text,
            "读取设置文件“" + path + "”时出错：Input/output error。");
  EXPECT_EQ(fake.window.messageBoxes[0].style, 0x30u);
  EXPECT_EQ(loaded.m_strServer, "(local)");
}

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnvironment {
 public:
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

struct DirectoryCase {
  const char* name;
  std::optional<std::string> cacheHome;  // relative to the scratch directory when absolute
  std::string expected;                  // relative to the scratch directory
};

TEST(PosixSystemInfo, SettingsDirectoryIsTheUserCacheCreatedPrivately) {
  const DirectoryCase cases[] = {
      {"absolute XDG_CACHE_HOME", "/xdg/cache", "/xdg/cache"},
      {"relative XDG_CACHE_HOME is ignored", "relative/cache", "/home/.cache"},
      {"empty XDG_CACHE_HOME is ignored", "", "/home/.cache"},
      {"no XDG_CACHE_HOME", std::nullopt, "/home/.cache"},
  };
  for (const DirectoryCase& c : cases) {
    ScratchDirectory dir;
    fs::create_directory(dir / "home");
    ScopedEnvironment env;
    env.Set("HOME", (dir / "home").c_str());
    std::string cacheHome;
    if (c.cacheHome) {
      cacheHome = c.cacheHome->starts_with('/') ? dir.path().string() + *c.cacheHome : *c.cacheHome;
    }
    env.Set("XDG_CACHE_HOME", c.cacheHome ? cacheHome.c_str() : nullptr);

    posix::PosixSystemInfo system;
    const std::string expected = dir.path().string() + c.expected;
    EXPECT_EQ(system.SettingsDirectory(), expected) << c.name;
    EXPECT_TRUE(fs::is_directory(expected)) << c.name;
    EXPECT_EQ(Mode(expected), 0700u) << c.name;
  }
}

}  // namespace
}  // namespace harrowlander
