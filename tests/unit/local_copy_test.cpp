#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/posix/copy_endpoints.h"
#include "platform/posix/local_copy_endpoints.h"
#include "platform/posix/posix_file_system.h"

namespace harrowlander {
namespace {

namespace fs = std::filesystem;

class LocalCopyTest : public ::testing::Test {
 protected:
  LocalCopyTest() {
    std::string pattern = fs::path(::testing::TempDir()) / "harrowlander-copy-XXXXXX";
    m_dir = mkdtemp(pattern.data());
  }
  ~LocalCopyTest() override { fs::remove_all(m_dir); }

  std::string Path(const std::string& name) const { return m_dir / name; }
  static void Write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  size_t EntriesInFolder() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(m_dir), {}));
  }

  using Step = std::pair<std::uint64_t, std::uint64_t>;  // total, copied

  posix::PosixFileSystem files;
  std::vector<Step> progress;
  CopyProgressCallback record = [this](std::uint64_t total, std::uint64_t copied) {
    progress.emplace_back(total, copied);
  };

 private:
  fs::path m_dir;
};

TEST_F(LocalCopyTest, ReplacesTheDestinationAndReportsFromNothingToEverything) {
  const std::string content(3 * 1024 * 1024 + 17, 'x');
  Write(Path("src.bak"), content);
  Write(Path("dst.bak"), "old");
  ASSERT_TRUE(files.CopyFile(Path("src.bak"), Path("dst.bak"), record));
  EXPECT_EQ(Read(Path("dst.bak")), content);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), Step(content.size(), 0));
  EXPECT_EQ(progress.back().second, content.size());
  EXPECT_EQ(EntriesInFolder(), 2u) << "no piece left beside the destination";
}

TEST_F(LocalCopyTest, AnEmptyFileStillReportsOnce) {
  Write(Path("empty"), "");
  ASSERT_TRUE(files.CopyFile(Path("empty"), Path("copy"), record));
  EXPECT_EQ(progress.front(), Step(0, 0));
  EXPECT_TRUE(fs::exists(Path("copy")));
}

TEST_F(LocalCopyTest, AMissingSourceOrFolderFailsAndLeavesTheDestinationAlone) {
  Write(Path("dst.bak"), "old");
  EXPECT_FALSE(files.CopyFile(Path("missing"), Path("dst.bak"), record));
  EXPECT_FALSE(files.CopyFile(Path("dst.bak"), Path("no/such/folder/x"), record));
  EXPECT_FALSE(files.CopyFile(Path(""), Path("x"), record)) << "a folder is no file";
  EXPECT_EQ(Read(Path("dst.bak")), "old");
  EXPECT_EQ(EntriesInFolder(), 1u);
}

// A source that breaks off after the first piece: the old destination must survive it.
TEST_F(LocalCopyTest, ACopyThatBreaksOffKeepsTheOldDestination) {
  class BreakingSource : public posix::CopySource {
   public:
    std::uint64_t Size() const override { return 8; }
    long Read(char* buffer, std::size_t) override {
      if (m_reads++ > 0) {
        return -1;
      }
      buffer[0] = 'n';
      return 1;
    }

   private:
    int m_reads = 0;
  } source;
  Write(Path("dst.bak"), "old");
  {
    std::unique_ptr<posix::CopyDestination> destination =
        posix::CreateLocalDestination(Path("dst.bak"));
    ASSERT_TRUE(destination);
    EXPECT_FALSE(posix::CopyInPieces(source, *destination, 4, record));
    EXPECT_EQ(EntriesInFolder(), 2u) << "the new piece stands beside the old file";
  }
  EXPECT_EQ(Read(Path("dst.bak")), "old");
  EXPECT_EQ(EntriesInFolder(), 1u);
}

// Reading runs ahead on its own thread: a destination that fails must stop it, and the
// progress still counts only what was written, in order.
TEST_F(LocalCopyTest, AFailingDestinationStopsTheReaderAhead) {
  class EndlessSource : public posix::CopySource {
   public:
    std::uint64_t Size() const override { return 1u << 30; }
    long Read(char* buffer, std::size_t size) override {
      std::fill(buffer, buffer + size, 'x');
      return static_cast<long>(size);
    }
  } source;
  class FailingDestination : public posix::CopyDestination {
   public:
    bool Write(const char*, std::size_t) override { return ++writes < 3; }
    bool Commit() override { return true; }
    int writes = 0;
  } destination;
  EXPECT_FALSE(posix::CopyInPieces(source, destination, 16, record));
  EXPECT_EQ(destination.writes, 3);
  EXPECT_EQ(progress, (std::vector<Step>{{1u << 30, 0}, {1u << 30, 16}, {1u << 30, 32}}));
}

TEST_F(LocalCopyTest, UncPathsAreNotLocalFiles) {
  Write(Path("src"), "x");
  EXPECT_FALSE(files.CopyFile(Path("src"), R"(\\server\share\x)", record));
  EXPECT_FALSE(files.CanOpenForReading(R"(\\server\share\x)"));
  EXPECT_FALSE(files.DeleteFile(R"(\\server\share\x)"));
}

TEST_F(LocalCopyTest, OpenTestsAndDeletion) {
  Write(Path("f"), "x");
  fs::permissions(Path("f"), fs::perms::owner_read);
  EXPECT_TRUE(files.CanOpenForReading(Path("f"))) << "a read-only file opens for reading";
  EXPECT_FALSE(files.CanOpenForReading(Path("")));
  EXPECT_TRUE(files.DeleteFile(Path("f")));
  EXPECT_FALSE(files.CanOpenForReading(Path("f")));
  EXPECT_FALSE(files.DeleteFile(Path("f")));
}

}  // namespace
}  // namespace harrowlander
