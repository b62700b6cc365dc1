#include <gtest/gtest.h>
#include <stdlib.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "fakes/copy_with_callback.h"
#include "fakes/sha256sum.h"
#include "platform/posix/copy_endpoints.h"
#include "platform/posix/local_copy_endpoints.h"
#include "platform/posix/posix_file_system.h"

namespace harrowlander {
namespace {

namespace fs = std::filesystem;

using testing::CallbackObserver;
using testing::CopyWith;
using testing::Sha256Sum;

bool PiecesWith(posix::CopySource& source, posix::CopyDestination& destination,
                const posix::CopyPlan& plan, const CopyProgressCallback& progress) {
  CallbackObserver observer(progress);
  return posix::CopyInPieces(source, destination, plan, observer).Copied();
}

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

 public:
  // A source of a given size that no second stream can read.
  class FakeSource : public posix::CopySource {
   public:
    explicit FakeSource(std::uint64_t size) : m_size(size) {}
    std::uint64_t Size() const override { return m_size; }
    std::optional<std::uint64_t> CurrentSize() override { return m_size; }
    std::unique_ptr<posix::CopyReader> OpenReader() override { return nullptr; }

   private:
    std::uint64_t m_size;
  };

 protected:
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
  ASSERT_TRUE(CopyWith(files, Path("src.bak"), Path("dst.bak"), record));
  EXPECT_EQ(Read(Path("dst.bak")), content);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), Step(content.size(), 0));
  EXPECT_EQ(progress.back().second, content.size());
  EXPECT_EQ(EntriesInFolder(), 2u) << "no piece left beside the destination";
}

TEST_F(LocalCopyTest, AnEmptyFileStillReportsOnce) {
  Write(Path("empty"), "");
  ASSERT_TRUE(CopyWith(files, Path("empty"), Path("copy"), record));
  EXPECT_EQ(progress.front(), Step(0, 0));
  EXPECT_TRUE(fs::exists(Path("copy")));
}

TEST_F(LocalCopyTest, AMissingSourceOrFolderFailsAndLeavesTheDestinationAlone) {
  Write(Path("dst.bak"), "old");
  EXPECT_FALSE(CopyWith(files, Path("missing"), Path("dst.bak"), record));
  EXPECT_FALSE(CopyWith(files, Path("dst.bak"), Path("no/such/folder/x"), record));
  EXPECT_FALSE(CopyWith(files, Path(""), Path("x"), record)) << "a folder is no file";
  EXPECT_EQ(Read(Path("dst.bak")), "old");
  EXPECT_EQ(EntriesInFolder(), 1u);
}

// A source that breaks off after the first piece: the old destination must survive it.
TEST_F(LocalCopyTest, ACopyThatBreaksOffKeepsTheOldDestination) {
  class BreakingSource : public FakeSource {
   public:
    BreakingSource() : FakeSource(8) {}
    long ReadAt(std::uint64_t, char* buffer, std::size_t) override {
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
    EXPECT_FALSE(PiecesWith(source, *destination, {4, 1}, record));
    EXPECT_EQ(EntriesInFolder(), 1u) << "the failed copy removed its new file itself";
  }
  EXPECT_EQ(Read(Path("dst.bak")), "old");
  EXPECT_EQ(EntriesInFolder(), 1u);
}

// Reading runs ahead on its own thread: a destination that fails must stop it, and the
// progress still counts only what was written, in order.
TEST_F(LocalCopyTest, AFailingDestinationStopsTheReaderAhead) {
  class EndlessSource : public FakeSource {
   public:
    EndlessSource() : FakeSource(1u << 30) {}
    long ReadAt(std::uint64_t, char* buffer, std::size_t size) override {
      std::fill(buffer, buffer + size, 'x');
      return static_cast<long>(size);
    }
  } source;
  class FailingDestination : public posix::CopyDestination {
   public:
    bool WriteAt(std::uint64_t, const char*, std::size_t) override { return ++writes < 3; }
    std::unique_ptr<posix::CopyWriter> OpenWriter() override { return nullptr; }
    bool Commit(std::uint64_t) override { return true; }
    int writes = 0;
  } destination;
  EXPECT_FALSE(PiecesWith(source, destination, {16, 1}, record));
  EXPECT_EQ(destination.writes, 3);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), Step(1u << 30, 0));
  EXPECT_EQ(progress.back(), Step(1u << 30, 32));
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

// A copy holds the source as it was when opened, or fails: a source that grows or
// shrinks under the copy fails it, in the kernel's copy and in the copy in pieces, and
// the old destination stays with nothing left beside it.
TEST_F(LocalCopyTest, ASourceThatChangesDuringTheCopyFailsAndKeepsTheOldDestination) {
  enum class Route { kKernel, kPieces };
  for (const Route route : {Route::kKernel, Route::kPieces}) {
    for (const bool grow : {true, false}) {
      SCOPED_TRACE(std::string(route == Route::kKernel ? "kernel copy, " : "pieces, ") +
                   (grow ? "growing" : "shrinking"));
      const std::size_t size = route == Route::kKernel ? (17u << 20) : (64u << 10);
      Write(Path("src.bak"), std::string(size, 's'));
      Write(Path("dst.bak"), "old");
      bool changed = false;
      const CopyProgressCallback change = [&](std::uint64_t, std::uint64_t copied) {
        if (copied > 0 && !changed) {
          changed = true;
          if (grow) {
            std::ofstream(Path("src.bak"), std::ios::app) << "more";
          } else {
            fs::resize_file(Path("src.bak"), size / 2);
          }
        }
      };
      if (route == Route::kKernel) {
        EXPECT_FALSE(CopyWith(files, Path("src.bak"), Path("dst.bak"), change));
      } else {
        std::unique_ptr<posix::CopySource> source = posix::OpenLocalSource(Path("src.bak"));
        std::unique_ptr<posix::CopyDestination> destination =
            posix::CreateLocalDestination(Path("dst.bak"));
        ASSERT_TRUE(source && destination);
        EXPECT_FALSE(PiecesWith(*source, *destination, {4096, 4}, change));
      }
      EXPECT_TRUE(changed);
      EXPECT_EQ(Read(Path("dst.bak")), "old");
      EXPECT_EQ(EntriesInFolder(), 2u) << "no piece left beside the destination";
    }
  }
}

// Several streams read and write pieces at their offsets on threads of their own; the
// progress comes on the calling thread, counting only bytes written without a gap.
TEST_F(LocalCopyTest, PiecesOfSeveralStreamsLandInPlaceAndProgressRunsInOrderOnTheCallingThread) {
  std::string content(1048576 + 123, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) {
    content[i] = static_cast<char>((i * 7 + i / 4096) % 251);
  }
  Write(Path("src.bak"), content);
  Write(Path("dst.bak"), "old");
  const std::thread::id caller = std::this_thread::get_id();
  bool onCaller = true;
  const CopyProgressCallback check = [&](std::uint64_t total, std::uint64_t copied) {
    onCaller = onCaller && std::this_thread::get_id() == caller;
    record(total, copied);
  };
  {
    std::unique_ptr<posix::CopySource> source = posix::OpenLocalSource(Path("src.bak"));
    std::unique_ptr<posix::CopyDestination> destination =
        posix::CreateLocalDestination(Path("dst.bak"));
    ASSERT_TRUE(source && destination);
    ASSERT_TRUE(PiecesWith(*source, *destination, {4096, 4}, check));
  }
  EXPECT_EQ(Read(Path("dst.bak")), content);
  EXPECT_TRUE(onCaller);
  EXPECT_EQ(progress.front(), Step(content.size(), 0));
  EXPECT_EQ(progress.back(), Step(content.size(), content.size()));
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(EntriesInFolder(), 2u);
}

// Streams over readers of their own: reads that answer less than asked are carried on,
// a stream that cannot open its reader leaves the work to the others, and one failing
// reader fails the whole copy, as does a progress callback that throws.
TEST_F(LocalCopyTest, OneFailingStreamFailsTheCopyAndShortReadsAreCarriedOn) {
  constexpr std::size_t kSize = 256 * 1024 + 5;
  auto byteAt = [](std::uint64_t offset) { return static_cast<char>(offset % 251); };
  struct Options {
    long mostPerRead = 1 << 30;
    int failingReader = -1;  // which opened reader fails at its first read; -1: none
    bool readersOpen = true;
  };
  class StreamSource : public FakeSource {
   public:
    explicit StreamSource(Options options) : FakeSource(kSize), m_options(options) {}
    long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
      // With a failing reader, the first stream waits until it has failed, so that it
      // cannot copy everything before the failing one takes a piece.
      for (int wait = 0; m_options.failingReader >= 0 && !m_failed && wait < 500; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      return Produce(offset, buffer, size, false);
    }
    std::unique_ptr<posix::CopyReader> OpenReader() override {
      if (!m_options.readersOpen) {
        return nullptr;
      }
      class Reader : public posix::CopyReader {
       public:
        Reader(StreamSource& source, bool fails) : m_source(source), m_fails(fails) {}
        long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
          return m_source.Produce(offset, buffer, size, m_fails);
        }

       private:
        StreamSource& m_source;
        bool m_fails;
      };
      return std::make_unique<Reader>(*this, m_opened++ == m_options.failingReader);
    }
    long Produce(std::uint64_t offset, char* buffer, std::size_t size, bool fail) {
      if (fail) {
        m_failed = true;
        return -1;
      }
      const long count = static_cast<long>(
          std::min<std::uint64_t>({size, kSize - offset, std::uint64_t(m_options.mostPerRead)}));
      for (long i = 0; i < count; ++i) {
        buffer[i] = static_cast<char>((offset + static_cast<std::uint64_t>(i)) % 251);
      }
      return count;
    }

   private:
    Options m_options;
    std::atomic<int> m_opened{0};
    std::atomic<bool> m_failed{false};
  };
  std::string expected(kSize, '\0');
  for (std::size_t i = 0; i < kSize; ++i) {
    expected[i] = byteAt(i);
  }
  auto copy = [&](Options options, const CopyProgressCallback& onProgress) {
    StreamSource source(options);
    std::unique_ptr<posix::CopyDestination> destination =
        posix::CreateLocalDestination(Path("dst.bak"));
    return destination && PiecesWith(source, *destination, {4096, 4}, onProgress);
  };

  Write(Path("dst.bak"), "old");
  EXPECT_TRUE(copy({.mostPerRead = 1000}, record));
  EXPECT_EQ(Read(Path("dst.bak")), expected);
  EXPECT_TRUE(copy({.readersOpen = false}, record));
  EXPECT_EQ(Read(Path("dst.bak")), expected);

  Write(Path("dst.bak"), "old");
  EXPECT_FALSE(copy({.failingReader = 0}, record));
  EXPECT_EQ(Read(Path("dst.bak")), "old");
  const CopyProgressCallback throwing = [](std::uint64_t, std::uint64_t copied) {
    if (copied > 0) {
      throw std::runtime_error("the window went away");
    }
  };
  EXPECT_THROW(copy({}, throwing), std::runtime_error);
  EXPECT_EQ(Read(Path("dst.bak")), "old");
  EXPECT_EQ(EntriesInFolder(), 1u);
}

// A stop asked for during the copy ends it before the next piece, in the kernel's copy
// and in the copy in pieces: no new file is left and the old destination stays.
TEST_F(LocalCopyTest, AStopBetweenPiecesLeavesNothingAndTheOldDestination) {
  Write(Path("src.bak"), std::string(40u << 20, 's'));
  class StopAfterFirstPiece : public CopyObserver {
   public:
    void Progress(std::uint64_t, std::uint64_t copied) override { stop = stop || copied > 0; }
    bool StopRequested() override { return stop; }
    bool stop = false;
  };
  for (const bool kernel : {true, false}) {
    SCOPED_TRACE(kernel ? "kernel copy" : "pieces");
    Write(Path("dst.bak"), "old");
    StopAfterFirstPiece observer;
    CopyOutcome outcome;
    if (kernel) {
      outcome = files.CopyFile(Path("src.bak"), Path("dst.bak"), observer);
    } else {
      std::unique_ptr<posix::CopySource> source = posix::OpenLocalSource(Path("src.bak"));
      std::unique_ptr<posix::CopyDestination> destination =
          posix::CreateLocalDestination(Path("dst.bak"));
      ASSERT_TRUE(source && destination);
      outcome = posix::CopyInPieces(*source, *destination, {1u << 20, 2}, observer);
      EXPECT_EQ(EntriesInFolder(), 2u) << "removed before the copy returned";
    }
    EXPECT_EQ(outcome.status, CopyOutcome::Status::kStopped);
    EXPECT_TRUE(observer.stop);
    EXPECT_EQ(Read(Path("dst.bak")), "old");
    EXPECT_EQ(EntriesInFolder(), 2u);
  }
}

// A source over the network whose reads fail once from the middle on, and whose attempts
// to connect again fail with a given error number (0: they succeed).
class FlakySource : public LocalCopyTest::FakeSource {
 public:
  static constexpr std::size_t kSize = 64 * 1024 + 7;
  // A readError of 0: every read succeeds.
  explicit FlakySource(int readError, int reconnectError = 0)
      : FakeSource(kSize), m_readError(readError), m_reconnectError(reconnectError) {}
  long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    if (m_readError != 0 && offset >= kSize / 2 && !std::exchange(m_failed, true)) {
      errno = m_readError;
      return -1;
    }
    const std::size_t count = std::min<std::uint64_t>(size, kSize - offset);
    for (std::size_t i = 0; i < count; ++i) {
      buffer[i] = ByteAt(offset + i);
    }
    return static_cast<long>(count);
  }
  bool OverNetwork() const override { return true; }
  bool Reconnect(int) override {
    ++reconnects;
    errno = m_reconnectError;
    return m_reconnectError == 0;
  }
  static char ByteAt(std::uint64_t offset) { return static_cast<char>(offset * 13 % 251); }

  int reconnects = 0;

 private:
  int m_readError;
  int m_reconnectError;
  bool m_failed = false;
};

class CountingObserver : public CopyObserver {
 public:
  void Progress(std::uint64_t, std::uint64_t) override {}
  void Reconnecting() override {
    ++reconnecting;
    stop = stopWhenReconnecting;
  }
  bool StopRequested() override { return stop; }
  int reconnecting = 0;
  bool stopWhenReconnecting = false;
  bool stop = false;
};

// Only a failure of the network on an end over the network is met by connecting again,
// and then the copy goes on from the piece that failed; any other failure, and any
// failure of the end on the workstation (a folder mounted from elsewhere may time out),
// ends the copy at once with the system's words and the old destination.
TEST_F(LocalCopyTest, OnlyANetworkFailureOverTheNetworkIsMetByConnectingAgain) {
  // The local new file, whose first write from the middle on fails once.
  class FailingWriteDestination : public posix::CopyDestination {
   public:
    FailingWriteDestination(std::unique_ptr<posix::CopyDestination> file, int error)
        : m_file(std::move(file)), m_error(error) {}
    bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
      if (m_error != 0 && offset >= FlakySource::kSize / 2) {
        errno = std::exchange(m_error, 0);
        return false;
      }
      return m_file->WriteAt(offset, data, size);
    }
    std::unique_ptr<posix::CopyWriter> OpenWriter() override { return nullptr; }
    bool Commit(std::uint64_t size) override { return m_file->Commit(size); }
    std::string Discard() override { return m_file->Discard(); }

   private:
    std::unique_ptr<posix::CopyDestination> m_file;
    int m_error;
  };
  std::string expected(FlakySource::kSize, '\0');
  for (std::size_t i = 0; i < expected.size(); ++i) {
    expected[i] = FlakySource::ByteAt(i);
  }
  struct Case {
    int readError;
    int writeError;
    bool copies;
    const char* reason;
  };
  for (const Case& c :
       {Case{ECONNRESET, 0, true, ""}, Case{ENOSPC, 0, false, "No space left on device"},
        Case{0, ETIMEDOUT, false, "Connection timed out"}}) {
    SCOPED_TRACE(c.reason);
    Write(Path("dst.bak"), "old");
    FlakySource source(c.readError);
    std::unique_ptr<posix::CopyDestination> file = posix::CreateLocalDestination(Path("dst.bak"));
    ASSERT_TRUE(file);
    FailingWriteDestination destination(std::move(file), c.writeError);
    CountingObserver observer;
    const CopyOutcome outcome = posix::CopyInPieces(
        source, destination, {4096, 1, std::chrono::milliseconds(60000)}, observer);
    EXPECT_EQ(outcome.Copied(), c.copies);
    EXPECT_EQ(outcome.reason, c.reason);
    EXPECT_EQ(source.reconnects, c.copies ? 1 : 0);
    EXPECT_EQ(observer.reconnecting, c.copies ? 1 : 0);
    EXPECT_TRUE(Read(Path("dst.bak")) == (c.copies ? expected : "old"));
    EXPECT_EQ(EntriesInFolder(), 1u);
  }
}

// A network that stays away fails the copy once the window is over, with the latest
// failure's words; a stop while the copy waits for it ends the copy at once. Either way
// the destination says what it had to leave behind.
TEST_F(LocalCopyTest, ConnectingAgainEndsWithTheWindowOrAStop) {
  class LeavingDestination : public posix::CopyDestination {
   public:
    bool WriteAt(std::uint64_t, const char*, std::size_t) override { return true; }
    std::unique_ptr<posix::CopyWriter> OpenWriter() override { return nullptr; }
    bool Commit(std::uint64_t) override { return true; }
    std::string Discard() override { return R"(\\server\share\.x.part)"; }
  };
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stopped" : "window over");
    FlakySource source(ECONNRESET, ECONNREFUSED);
    LeavingDestination destination;
    CountingObserver observer;
    observer.stopWhenReconnecting = stop;
    const auto window = stop ? std::chrono::hours(1) : std::chrono::milliseconds(1500);
    const auto start = std::chrono::steady_clock::now();
    const CopyOutcome outcome = posix::CopyInPieces(
        source, destination,
        {4096, 2, std::chrono::duration_cast<std::chrono::milliseconds>(window)}, observer);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(outcome.status, stop ? CopyOutcome::Status::kStopped : CopyOutcome::Status::kFailed);
    EXPECT_EQ(outcome.reason, stop ? "" : "Connection refused");
    EXPECT_EQ(outcome.leftover, R"(\\server\share\.x.part)");
    EXPECT_EQ(observer.reconnecting, 1);
    if (!stop) {
      EXPECT_GE(source.reconnects, 3) << "attempts go on through the window";
    }
    EXPECT_LT(took, std::chrono::seconds(stop ? 2 : 10));
  }
}

// The last step over the network, the rename of the new file, is made again after the
// connection came back, as the pieces are.
TEST_F(LocalCopyTest, ACommitCutOffByTheNetworkIsMadeAgainOnANewConnection) {
  class RemoteDestination : public posix::CopyDestination {
   public:
    bool WriteAt(std::uint64_t, const char*, std::size_t) override { return true; }
    std::unique_ptr<posix::CopyWriter> OpenWriter() override { return nullptr; }
    bool OverNetwork() const override { return true; }
    bool Reconnect(int) override {
      ++reconnects;
      return true;
    }
    bool Commit(std::uint64_t) override {
      errno = ECONNRESET;
      return ++commits > 1;
    }
    int reconnects = 0;
    int commits = 0;
  } destination;
  FlakySource source(0);
  CountingObserver observer;
  const CopyOutcome outcome =
      posix::CopyInPieces(source, destination, {4096, 2, std::chrono::seconds(60)}, observer);
  EXPECT_TRUE(outcome.Copied()) << outcome.reason;
  EXPECT_EQ(destination.commits, 2);
  EXPECT_EQ(destination.reconnects, 1);
  EXPECT_EQ(observer.reconnecting, 1);
}

// Streams write pieces out of order, and one piece is written twice (its first write
// landed half, then failed as a broken connection does): the copy's digest is still
// sha256sum's of the file it made. While the first piece is held up, the other streams
// get no further than two pieces a stream beyond it, which bounds the buffers the copy
// keeps back for its digest.
TEST_F(LocalCopyTest, TheDigestFollowsFileOrderAcrossStreamsAndPiecesWrittenAgain) {
  constexpr std::size_t kPiece = 4096;
  constexpr int kStreams = 4;
  std::string content(256 * kPiece + 123, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) {
    content[i] = static_cast<char>((i * 7 + i / 4096) % 251);
  }
  Write(Path("src.bak"), content);
  Write(Path("dst.bak"), "old");

  struct Writes {
    std::mutex lock;
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    bool holding = false;
    std::uint64_t furthestWhileHeld = 0;
    bool cut = false;
  } writes;
  // Over the real new file. The first piece's write waits until the others have stood
  // still for a while; the fourth piece's first write breaks off halfway.
  class GatedWriter : public posix::CopyWriter {
   public:
    GatedWriter(posix::CopyWriter& file, Writes& writes) : m_file(file), m_writes(writes) {}
    bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
      using std::chrono::milliseconds;
      std::unique_lock<std::mutex> lock(m_writes.lock);
      if (offset == 0) {
        m_writes.holding = true;
        for (int wait = 0;
             wait < 250 && std::chrono::steady_clock::now() - m_writes.last < milliseconds(300);
             ++wait) {
          lock.unlock();
          std::this_thread::sleep_for(milliseconds(20));
          lock.lock();
        }
        m_writes.holding = false;
      } else if (m_writes.holding) {
        m_writes.furthestWhileHeld = std::max(m_writes.furthestWhileHeld, offset / kPiece);
      }
      m_writes.last = std::chrono::steady_clock::now();
      const bool cut = offset == 3 * kPiece && !std::exchange(m_writes.cut, true);
      lock.unlock();
      if (cut) {
        m_file.WriteAt(offset, data, size / 2);
        errno = ECONNRESET;
        return false;
      }
      return m_file.WriteAt(offset, data, size);
    }
    bool OverNetwork() const override { return true; }
    bool Reconnect(int) override { return true; }

   private:
    posix::CopyWriter& m_file;
    Writes& m_writes;
  };
  class GatedDestination : public posix::CopyDestination {
   public:
    GatedDestination(std::unique_ptr<posix::CopyDestination> file, Writes& writes)
        : m_file(std::move(file)), m_writes(writes), m_first(*m_file, writes) {}
    bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
      return m_first.WriteAt(offset, data, size);
    }
    bool OverNetwork() const override { return true; }
    bool Reconnect(int error) override { return m_first.Reconnect(error); }
    std::unique_ptr<posix::CopyWriter> OpenWriter() override {
      class Owning : public GatedWriter {
       public:
        Owning(std::unique_ptr<posix::CopyWriter> file, Writes& writes)
            : GatedWriter(*file, writes), m_owned(std::move(file)) {}

       private:
        std::unique_ptr<posix::CopyWriter> m_owned;
      };
      return std::make_unique<Owning>(m_file->OpenWriter(), m_writes);
    }
    bool Commit(std::uint64_t size) override { return m_file->Commit(size); }
    std::string Discard() override { return m_file->Discard(); }

   private:
    std::unique_ptr<posix::CopyDestination> m_file;
    Writes& m_writes;
    GatedWriter m_first;
  };

  CopyOutcome outcome;
  {
    std::unique_ptr<posix::CopySource> source = posix::OpenLocalSource(Path("src.bak"));
    std::unique_ptr<posix::CopyDestination> file = posix::CreateLocalDestination(Path("dst.bak"));
    ASSERT_TRUE(source && file);
    GatedDestination destination(std::move(file), writes);
    CountingObserver observer;
    outcome = posix::CopyInPieces(*source, destination,
                                  {kPiece, kStreams, std::chrono::seconds(60)}, observer);
    EXPECT_EQ(observer.reconnecting, 1);
  }
  ASSERT_TRUE(outcome.Copied()) << outcome.reason;
  EXPECT_TRUE(writes.cut);
  EXPECT_TRUE(Read(Path("dst.bak")) == content);
  EXPECT_EQ(outcome.sha256, Sha256Sum(Path("dst.bak")));
  EXPECT_EQ(outcome.sha256.size(), 64u);
  EXPECT_GE(writes.furthestWhileHeld, 1u) << "pieces were written ahead of the first";
  EXPECT_LT(writes.furthestWhileHeld, 2u * kStreams);
}

// A file's digest through PosixFileSystem, and a local copy's: sha256sum's for a file
// of several read pieces, the standard values for "abc" and for an empty file; nothing
// for a folder, a missing file or a UNC path, and nothing once a stop is asked for
// between pieces.
TEST_F(LocalCopyTest, FileDigestsAreSha256sumsAndAStopEndsThemBetweenPieces) {
  // Several pieces of the kernel's copy, and more than its digest may fall behind.
  std::string content(90 * 1048576 + 17, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) {
    content[i] = static_cast<char>(i % 253);
  }
  Write(Path("big.bak"), content);
  const std::string expected = Sha256Sum(Path("big.bak"));
  ASSERT_EQ(expected.size(), 64u);
  EXPECT_EQ(files.Sha256OfFile(Path("big.bak"), {}), expected);
  CallbackObserver observer(record);
  EXPECT_EQ(files.CopyFile(Path("big.bak"), Path("copy.bak"), observer).sha256, expected);

  Write(Path("abc"), "abc");
  EXPECT_EQ(files.Sha256OfFile(Path("abc"), [] { return false; }),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  Write(Path("empty"), "");
  EXPECT_EQ(files.CopyFile(Path("empty"), Path("empty.copy"), observer).sha256,
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  for (const std::string& nothing : {Path("missing"), Path(""), std::string(R"(\\srv\s\abc)")}) {
    EXPECT_EQ(files.Sha256OfFile(nothing, {}), std::nullopt) << nothing;
  }
  int asked = 0;
  EXPECT_EQ(files.Sha256OfFile(Path("big.bak"), [&] { return ++asked > 2; }), std::nullopt);
  EXPECT_EQ(asked, 3) << "asked before each piece, and no more once stopped";
}

// A copied backup holds a whole database: the new file, and the copy it becomes, are the
// owner's alone whatever the umask, in the kernel's copy and in the copy in pieces.
TEST_F(LocalCopyTest, CopiesAreReadableByTheirOwnerOnly) {
  Write(Path("src.bak"), std::string(100000, 'p'));
  fs::permissions(Path("src.bak"), fs::perms(0644));
  const mode_t umaskBefore = umask(0);
  std::vector<fs::perms> partModes;
  const CopyProgressCallback look = [&](std::uint64_t, std::uint64_t) {
    for (const fs::directory_entry& entry : fs::directory_iterator(Path(""))) {
      if (entry.path().extension() == ".part") {
        partModes.push_back(entry.status().permissions());
      }
    }
  };
  const bool kernelCopied = CopyWith(files, Path("src.bak"), Path("kernel.bak"), look);
  std::unique_ptr<posix::CopySource> source = posix::OpenLocalSource(Path("src.bak"));
  std::unique_ptr<posix::CopyDestination> destination =
      posix::CreateLocalDestination(Path("pieces.bak"));
  const bool piecesCopied =
      source && destination && PiecesWith(*source, *destination, {4096, 2}, look);
  umask(umaskBefore);
  ASSERT_TRUE(kernelCopied && piecesCopied);
  EXPECT_EQ(fs::status(Path("kernel.bak")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(Path("pieces.bak")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_FALSE(partModes.empty());
  for (const fs::perms mode : partModes) {
    EXPECT_EQ(mode, fs::perms::owner_read | fs::perms::owner_write);
  }
}

// The new file's content is on the disk before the rename makes it the destination, and
// the rename itself after it: otherwise a crash could leave a complete-looking name over
// an empty or partial file, where the older backup was.
TEST_F(LocalCopyTest, CommitSyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
  Write(Path("src.bak"), std::string(10000, 's'));
  std::vector<std::string> calls;
  posix::CommitCalls watched;
  watched.sync = [&calls](int fd) {
    struct stat info {};
    fstat(fd, &info);
    calls.push_back(S_ISDIR(info.st_mode) ? "sync folder" : "sync file");
    return fsync(fd);
  };
  watched.rename = [&calls](const char* from, const char* to) {
    calls.push_back("rename");
    return std::rename(from, to);
  };
  std::unique_ptr<posix::CopySource> source = posix::OpenLocalSource(Path("src.bak"));
  std::unique_ptr<posix::CopyDestination> destination =
      posix::CreateLocalDestination(Path("dst.bak"), watched);
  ASSERT_TRUE(source && destination);
  ASSERT_TRUE(PiecesWith(*source, *destination, {4096, 2}, record));
  EXPECT_EQ(calls, (std::vector<std::string>{"sync file", "rename", "sync folder"}));
  EXPECT_EQ(Read(Path("dst.bak")), std::string(10000, 's'));
}

TEST_F(LocalCopyTest, UncPathsAreNotLocalFiles) {
  Write(Path("src"), "x");
  EXPECT_FALSE(CopyWith(files, Path("src"), R"(\\server\share\x)", record));
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

// A copy that was killed leaves its new file behind; the next copy into that folder
// removes such files of processes that have ended, and only those.
TEST_F(LocalCopyTest, AKilledCopysNewFileIsClearedByTheNextCopy) {
  const pid_t ended = fork();
  if (ended == 0) {
    _exit(0);
  }
  ASSERT_GT(ended, 0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  const std::string dead = ".old.bak." + std::to_string(ended) + "-0.part";
  const std::string living = ".other.bak." + std::to_string(getpid()) + "-7.part";
  for (const std::string& name :
       {dead, living, std::string(".notes.part"), std::string("a.part")}) {
    Write(Path(name), "x");
  }
  Write(Path("src.bak"), "content");
  ASSERT_TRUE(CopyWith(files, Path("src.bak"), Path("dst.bak"), record));
  EXPECT_FALSE(fs::exists(Path(dead)));
  EXPECT_TRUE(fs::exists(Path(living)));
  EXPECT_TRUE(fs::exists(Path(".notes.part")));
  EXPECT_TRUE(fs::exists(Path("a.part")));
}

}  // namespace
}  // namespace harrowlander
