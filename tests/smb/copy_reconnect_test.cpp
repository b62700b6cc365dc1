// Copies to and from a share whose server goes away in the middle: killed and started
// again, stopped for longer than the copy waits, or gone while the user stops the copy.
// The server is a private smbd of each test (private_smbd.h), next to with_smbd.sh's.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "fakes/sha256sum.h"
#include "platform/posix/posix_file_system.h"
#include "platform/smb/smb_client.h"
#include "platform/smb/smb_network_session.h"
#include "platform/smb/unc_file_system.h"
#include "private_smbd.h"
#include "smbd_fixture_env.h"

namespace harrowlander::smb {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::Env;
using testing::PrivateSmbd;
using testing::ReadFile;

constexpr int kPort = 4460;
constexpr const char* kShare = R"(\\127.0.0.1\share)";

// Acts on the first progress past the start, and on the copy's first reconnecting.
class ScriptedObserver : public CopyObserver {
 public:
  void Progress(std::uint64_t total, std::uint64_t copied) override {
    steps.push_back(copied);
    if (copied > 0 && copied < total && onFirstPiece) {
      std::exchange(onFirstPiece, nullptr)();
    }
  }
  void Reconnecting() override {
    ++reconnecting;
    if (onReconnecting) {
      std::exchange(onReconnecting, nullptr)();
    }
  }
  bool StopRequested() override { return stop; }

  std::function<void()> onFirstPiece;
  std::function<void()> onReconnecting;
  std::vector<std::uint64_t> steps;
  int reconnecting = 0;
  std::atomic<bool> stop{false};
};

class CopyReconnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("HARROWLANDER_SMB_CONF").empty()) {
      GTEST_SKIP() << "needs the account of tests/smb/with_smbd.sh";
    }
    std::string pattern = "/tmp/harrowlander-reconnect-XXXXXX";
    m_dir = mkdtemp(pattern.data());
    fs::create_directories(m_dir / "share");
    fs::permissions(m_dir / "share", fs::perms::all);
    server.emplace(m_dir / "smbd", m_dir / "share", kPort);
    ASSERT_TRUE(server->Start());
    ASSERT_TRUE(
        network.AddNetUse(kShare, Env("HARROWLANDER_SMB_USER"), Env("HARROWLANDER_SMB_PASSWORD")));
  }
  void TearDown() override {
    server.reset();
    if (!m_dir.empty()) {
      fs::remove_all(m_dir);
    }
  }

  static std::string RandomContent(std::size_t size) {
    std::string content(size, '\0');
    unsigned seed = 11;
    for (char& c : content) {
      seed = seed * 1103515245u + 12345u;
      c = static_cast<char>(seed >> 16);
    }
    return content;
  }
  static std::vector<fs::path> PiecesIn(const fs::path& folder) {
    std::vector<fs::path> pieces;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".part") {
        pieces.push_back(entry.path());
      }
    }
    return pieces;
  }
  fs::path OnShare(const std::string& name) const { return m_dir / "share" / name; }
  std::string Unc(const std::string& name) const { return std::string(kShare) + "\\" + name; }
  fs::path Local(const std::string& name) const { return m_dir / name; }

  fs::path m_dir;
  std::optional<PrivateSmbd> server;
  SmbClient client{kPort};
  SmbNetworkSession network{client};
  posix::PosixFileSystem local;
};

// Every connection of the copy breaks, and the server refuses new ones for a while: the
// copy connects again, keeps what it had, and the file arrives whole in both directions,
// with the digest of exactly that file although the pieces cut off were written again.
TEST_F(CopyReconnectTest, ADownloadAndAnUploadGoOnOverAServerKilledAndStartedAgain) {
  UncFileSystem files(local, client);
  const std::string content = RandomContent(64 << 20);
  std::ofstream(OnShare("down.bak"), std::ios::binary) << content;
  std::ofstream(Local("down.bak")) << "old";
  const std::string digest = harrowlander::testing::Sha256Sum(OnShare("down.bak"));
  ASSERT_EQ(digest.size(), 64u);
  const std::pair<std::string, std::string> copies[] = {
      {Unc("down.bak"), Local("down.bak").string()},
      {Local("down.bak").string(), Unc("up.bak")},
  };
  for (const auto& [source, destination] : copies) {
    SCOPED_TRACE(source + " -> " + destination);
    ScriptedObserver observer;
    observer.onFirstPiece = [&] { server->Kill(); };
    observer.onReconnecting = [&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      ASSERT_TRUE(server->Start());
    };
    const CopyOutcome outcome = files.CopyFile(source, destination, observer);
    EXPECT_TRUE(outcome.Copied()) << outcome.reason;
    EXPECT_TRUE(outcome.leftover.empty());
    EXPECT_EQ(outcome.sha256, digest);
    EXPECT_GE(observer.reconnecting, 1);
    EXPECT_TRUE(std::is_sorted(observer.steps.begin(), observer.steps.end()));
  }
  EXPECT_TRUE(ReadFile(Local("down.bak")) == content);
  EXPECT_TRUE(ReadFile(OnShare("up.bak")) == content);
  EXPECT_TRUE(PiecesIn(m_dir).empty());
  EXPECT_TRUE(PiecesIn(m_dir / "share").empty());
}

// A server that stops answering holds each request for the library's timeout (20 s):
// the copy gives up one window after it noticed, and the destination stays as it was.
TEST_F(CopyReconnectTest, ACopyFromAServerThatStaysStoppedFailsInBoundedTime) {
  constexpr auto kWindow = std::chrono::seconds(10);
  constexpr auto kRequestTimeout = std::chrono::seconds(20);
  UncFileSystem files(local, client, kWindow);
  std::ofstream(OnShare("big.bak"), std::ios::binary) << RandomContent(64 << 20);
  std::ofstream(Local("big.bak")) << "old";
  ScriptedObserver observer;
  Clock::time_point stoppedAt;
  observer.onFirstPiece = [&] {
    stoppedAt = Clock::now();
    server->Pause();
  };
  const CopyOutcome outcome = files.CopyFile(Unc("big.bak"), Local("big.bak").string(), observer);
  const auto took = Clock::now() - stoppedAt;
  server->Resume();

  EXPECT_EQ(outcome.status, CopyOutcome::Status::kFailed);
  EXPECT_EQ(outcome.reason, "Connection timed out");
  EXPECT_EQ(observer.reconnecting, 1);
  EXPECT_LT(took, kRequestTimeout + kWindow + kRequestTimeout)
      << std::chrono::duration_cast<std::chrono::seconds>(took).count() << " s";
  EXPECT_EQ(ReadFile(Local("big.bak")), "old");
  EXPECT_TRUE(PiecesIn(m_dir).empty());
}

// A stop while the copy waits for the server ends it at once, however long the window;
// the new file on the share, which nothing can reach now, is named for the caller.
TEST_F(CopyReconnectTest, AStopWhileTheServerIsAwayEndsTheUploadAndNamesTheFileLeftOnTheShare) {
  UncFileSystem files(local, client);
  std::ofstream(Local("up.bak"), std::ios::binary) << RandomContent(64 << 20);
  std::ofstream(OnShare("up.bak")) << "old";
  ScriptedObserver observer;
  observer.onFirstPiece = [&] { server->Kill(); };
  Clock::time_point stopAt;
  observer.onReconnecting = [&] {
    stopAt = Clock::now();
    observer.stop = true;
  };
  const CopyOutcome outcome = files.CopyFile(Local("up.bak").string(), Unc("up.bak"), observer);
  const auto took = Clock::now() - stopAt;

  EXPECT_EQ(outcome.status, CopyOutcome::Status::kStopped);
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_EQ(ReadFile(OnShare("up.bak")), "old");
  const std::vector<fs::path> left = PiecesIn(m_dir / "share");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(outcome.leftover, Unc(left.front().filename().string()));
}

}  // namespace
}  // namespace harrowlander::smb
