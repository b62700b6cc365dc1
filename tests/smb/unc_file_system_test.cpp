// The SMB adapter on its own against the private smbd of with_smbd.sh: log-on and
// log-off, and copies in both directions onto existing files, over several streams.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "fakes/copy_with_callback.h"
#include "fakes/sha256sum.h"
#include "platform/posix/posix_file_system.h"
#include "platform/smb/smb_client.h"
#include "platform/smb/smb_network_session.h"
#include "platform/smb/unc_file_system.h"
#include "smbd_fixture_env.h"

namespace harrowlander::smb {
namespace {

namespace fs = std::filesystem;
using testing::Env;
using testing::ReadFile;

constexpr const char* kShare = testing::kScratchShare;

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
      out.append(buffer, n);
    }
    ::pclose(pipe);
  }
  return out;
}

class UncFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("HARROWLANDER_SMB_CONF").empty()) {
      GTEST_SKIP() << "needs the smbd of tests/smb/with_smbd.sh";
    }
    std::string pattern = "/tmp/harrowlander-unc-XXXXXX";
    m_dir = mkdtemp(pattern.data());
    fs::create_directories(m_dir / "share");
    fs::permissions(m_dir / "share", fs::perms::all);
    Net("conf addshare scratch '" + (m_dir / "share").string() + "' writeable=y guest_ok=n");
    Net("conf setparm scratch 'force user' root");
  }
  void TearDown() override {
    if (!m_dir.empty()) {
      Net("conf delshare scratch");
      fs::remove_all(m_dir);
    }
  }

  static void Net(const std::string& arguments) {
    Shell("net -s '" + Env("HARROWLANDER_SMB_CONF") + "' " + arguments + " >/dev/null 2>&1");
  }
  bool LogOn(const std::string& password = Env("HARROWLANDER_SMB_PASSWORD")) {
    return network.AddNetUse(kShare, Env("HARROWLANDER_SMB_USER"), password);
  }
  // The test account's sessions on the server.
  int SessionsOnServer() {
    const std::string sessions =
        Shell("smbstatus -s '" + Env("HARROWLANDER_SMB_CONF") + "' -b 2>/dev/null");
    int count = 0;
    for (std::size_t at = sessions.find(Env("HARROWLANDER_SMB_USER")); at != std::string::npos;
         at = sessions.find(Env("HARROWLANDER_SMB_USER"), at + 1)) {
      ++count;
    }
    return count;
  }
  bool SessionOnServer() { return SessionsOnServer() > 0; }
  // Waits a little for the server to notice connections that were closed.
  bool NoSessionLeft() {
    for (int i = 0; i < 40; ++i) {
      if (!SessionOnServer()) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  static std::string RandomContent(std::size_t size) {
    std::string content(size, '\0');
    unsigned seed = 7;
    for (char& c : content) {
      seed = seed * 1103515245u + 12345u;
      c = static_cast<char>(seed >> 16);
    }
    return content;
  }
  static std::size_t PiecesBeside(const fs::path& folder) {
    std::size_t count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      count += entry.path().extension() == ".part" ? 1 : 0;
    }
    return count;
  }
  fs::path OnShare(const std::string& name) const { return m_dir / "share" / name; }
  fs::path Local(const std::string& name) const { return m_dir / name; }

  fs::path m_dir;
  SmbClient client;
  SmbNetworkSession network{client};
  posix::PosixFileSystem local;
  UncFileSystem files{local, client};
  CopyProgressCallback ignore = [](std::uint64_t, std::uint64_t) {};
};

TEST_F(UncFileSystemTest, OnlyTheRightPasswordLogsOnEvenAfterAGoodLogOn) {
  EXPECT_FALSE(LogOn("wrong"));
  EXPECT_TRUE(LogOn());
  // A cached connection must not answer for a new log-on with another password.
  EXPECT_FALSE(LogOn("wrong"));
  EXPECT_FALSE(files.CanOpenForReading(std::string(kShare) + "\\anything"));
  EXPECT_TRUE(network.AddNetUse(kShare, "WORKGROUP\\" + Env("HARROWLANDER_SMB_USER"),
                                Env("HARROWLANDER_SMB_PASSWORD")));
}

TEST_F(UncFileSystemTest, LogOffDropsTheSessionAndTheAccess) {
  std::ofstream(OnShare("f.bak")) << "data";
  ASSERT_TRUE(LogOn());
  EXPECT_TRUE(files.CanOpenForReading(std::string(kShare) + "\\f.bak"));
  EXPECT_TRUE(network.DeleteNetUse(kShare));
  EXPECT_FALSE(files.CanOpenForReading(std::string(kShare) + "\\f.bak"));
  EXPECT_TRUE(NoSessionLeft());
}

TEST_F(UncFileSystemTest, CopiesReplaceExistingFilesInBothDirectionsAndLeaveNoPieces) {
  ASSERT_TRUE(LogOn());
  const std::string content(3 * 1048576 + 5, 'b');
  std::ofstream(Local("up.bak")) << content;
  std::ofstream(OnShare("Sales.bak")) << "left by an earlier run";
  std::uint64_t lastCopied = 0;
  ASSERT_TRUE(harrowlander::testing::CopyWith(
      files, Local("up.bak"), std::string(kShare) + "\\Sales.bak",
      [&](std::uint64_t, std::uint64_t copied) { lastCopied = copied; }));
  EXPECT_EQ(lastCopied, content.size());
  EXPECT_EQ(ReadFile(OnShare("Sales.bak")), content);

  std::ofstream(Local("down.bak")) << "old";
  ASSERT_TRUE(harrowlander::testing::CopyWith(files, std::string(kShare) + "\\Sales.bak",
                                              Local("down.bak"), ignore));
  EXPECT_EQ(ReadFile(Local("down.bak")), content);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "share"), {}), 1);

  EXPECT_TRUE(files.DeleteFile(std::string(kShare) + "\\Sales.bak"));
  EXPECT_FALSE(fs::exists(OnShare("Sales.bak")));
}

TEST_F(UncFileSystemTest, AMissingSourceLeavesTheDestinationAsItWas) {
  ASSERT_TRUE(LogOn());
  std::ofstream(Local("keep.bak")) << "keep";
  EXPECT_FALSE(harrowlander::testing::CopyWith(files, std::string(kShare) + "\\missing.bak",
                                               Local("keep.bak"), ignore));
  EXPECT_EQ(ReadFile(Local("keep.bak")), "keep");
  EXPECT_FALSE(harrowlander::testing::CopyWith(
      files, Local("keep.bak"), std::string(kShare) + "\\no\\such\\dir.bak", ignore));
}

// A large file goes in pieces over several connections at once, each piece landing at
// its place, with the progress on the calling thread in order, in both directions.
TEST_F(UncFileSystemTest, SeveralStreamsCopyALargeFileExactlyInBothDirections) {
  ASSERT_TRUE(LogOn());
  const std::string content = RandomContent(37 * 1048576 + 3);
  std::ofstream(OnShare("big.bak"), std::ios::binary) << content;
  std::ofstream(Local("big.bak")) << "old";
  const std::thread::id caller = std::this_thread::get_id();
  std::vector<std::uint64_t> steps;
  bool onCaller = true;
  int mostSessions = 0;
  const CopyProgressCallback watch = [&](std::uint64_t total, std::uint64_t copied) {
    EXPECT_EQ(total, content.size());
    onCaller = onCaller && std::this_thread::get_id() == caller;
    steps.push_back(copied);
    if (copied > 0 && mostSessions < 2) {
      mostSessions = std::max(mostSessions, SessionsOnServer());
    }
  };
  ASSERT_TRUE(harrowlander::testing::CopyWith(files, std::string(kShare) + "\\big.bak",
                                              Local("big.bak"), watch));
  EXPECT_TRUE(ReadFile(Local("big.bak")) == content);
  EXPECT_TRUE(onCaller);
  EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
  EXPECT_EQ(steps.back(), content.size());
  EXPECT_GE(mostSessions, 2) << "the copy ran over more than the log-on's connection";

  steps.clear();
  mostSessions = 0;
  ASSERT_TRUE(harrowlander::testing::CopyWith(files, Local("big.bak"),
                                              std::string(kShare) + "\\up.bak", watch));
  EXPECT_TRUE(ReadFile(OnShare("up.bak")) == content);
  EXPECT_TRUE(onCaller);
  EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
  EXPECT_GE(mostSessions, 2);
  EXPECT_EQ(PiecesBeside(m_dir / "share") + PiecesBeside(m_dir), 0u);
  EXPECT_TRUE(network.DeleteNetUse(kShare));
  EXPECT_TRUE(NoSessionLeft()) << "every stream's connection is closed";
}

// One stream failing fails the whole copy: a source cut short on the server under the
// download, and a share that runs out of space under the upload, each with its reason.
// The old destination stays, no new file is left on either side, and no stream's
// connection lingers.
TEST_F(UncFileSystemTest, AFailingStreamFailsTheCopyAndLeavesTheOldDestination) {
  const fs::path small = m_dir / "small";
  fs::create_directories(small);
  ASSERT_EQ(std::system(("mount -t tmpfs -o size=6m tmpfs '" + small.string() + "'").c_str()), 0);
  fs::permissions(small, fs::perms::all);
  Net("conf addshare tiny '" + small.string() + "' writeable=y guest_ok=n");
  Net("conf setparm tiny 'force user' root");
  ASSERT_TRUE(LogOn());
  ASSERT_TRUE(network.AddNetUse(R"(\\127.0.0.1\tiny)", Env("HARROWLANDER_SMB_USER"),
                                Env("HARROWLANDER_SMB_PASSWORD")));

  const std::string content = RandomContent(24 * 1048576);
  std::ofstream(OnShare("cut.bak"), std::ios::binary) << content;
  std::ofstream(Local("cut.bak")) << "old";
  bool cut = false;
  const CopyProgressCallback cutShort = [&](std::uint64_t, std::uint64_t copied) {
    if (copied > 0 && !cut) {
      cut = true;
      fs::resize_file(OnShare("cut.bak"), 5 * 1048576);
    }
  };
  harrowlander::testing::CallbackObserver cutting(cutShort);
  const CopyOutcome shortened =
      files.CopyFile(std::string(kShare) + "\\cut.bak", Local("cut.bak"), cutting);
  EXPECT_EQ(shortened.status, CopyOutcome::Status::kFailed);
  EXPECT_EQ(shortened.reason, "the source file changed its size while it was copied");
  EXPECT_TRUE(cut);
  EXPECT_EQ(ReadFile(Local("cut.bak")), "old");

  std::ofstream(Local("full.bak"), std::ios::binary) << RandomContent(8 * 1048576);
  std::ofstream(small / "full.bak") << "old";
  harrowlander::testing::CallbackObserver quiet(ignore);
  const CopyOutcome full = files.CopyFile(Local("full.bak"), R"(\\127.0.0.1\tiny\full.bak)", quiet);
  EXPECT_EQ(full.status, CopyOutcome::Status::kFailed);
  EXPECT_EQ(full.reason, "No space left on device");
  EXPECT_EQ(full.leftover, "") << "the new file was removed over the live connection";
  EXPECT_EQ(ReadFile(small / "full.bak"), "old");

  EXPECT_EQ(PiecesBeside(m_dir) + PiecesBeside(small), 0u);
  network.DeleteNetUse(kShare);
  network.DeleteNetUse(R"(\\127.0.0.1\tiny)");
  EXPECT_TRUE(NoSessionLeft());
  Net("conf delshare tiny");
  std::system(("umount '" + small.string() + "'").c_str());
}

// A file's digest read over the share, in pieces of the copy's size: sha256sum's for a
// file of several pieces; nothing for a missing file or a share without a log-on, and
// nothing once a stop is asked for between pieces.
TEST_F(UncFileSystemTest, TheDigestOfAFileOnAShareIsItsSha256sum) {
  const std::string file = std::string(kShare) + "\\digest.bak";
  std::ofstream(OnShare("digest.bak"), std::ios::binary) << RandomContent(9 * 1048576 + 7);
  EXPECT_EQ(files.Sha256OfFile(file, {}), std::nullopt) << "no log-on yet";
  ASSERT_TRUE(LogOn());
  const std::string expected = harrowlander::testing::Sha256Sum(OnShare("digest.bak"));
  ASSERT_EQ(expected.size(), 64u);
  EXPECT_EQ(files.Sha256OfFile(file, [] { return false; }), expected);
  EXPECT_EQ(files.Sha256OfFile(std::string(kShare) + "\\missing.bak", {}), std::nullopt);
  int asked = 0;
  EXPECT_EQ(files.Sha256OfFile(file, [&] { return ++asked > 1; }), std::nullopt);
  EXPECT_EQ(asked, 2) << "asked before each piece, and no more once stopped";
}

// Sizes over the share: the file's, and the room on the share's disk in bytes (the
// library counts in the server's allocation units), for a file at the share's top and in
// a folder; nothing for a missing file or a share without a log-on.
TEST_F(UncFileSystemTest, TheSizeOfAFileAndTheRoomOnAShare) {
  const fs::path small = m_dir / "small";
  fs::create_directories(small);
  ASSERT_EQ(std::system(("mount -t tmpfs -o size=6m tmpfs '" + small.string() + "'").c_str()), 0);
  fs::create_directories(small / "sub");
  fs::permissions(small, fs::perms::all);
  Net("conf addshare tiny '" + small.string() + "' writeable=y guest_ok=n");
  Net("conf setparm tiny 'force user' root");
  const std::string share = R"(\\127.0.0.1\tiny)";
  EXPECT_EQ(files.FreeSpace(share + "\\x.bak"), std::nullopt) << "no log-on yet";
  ASSERT_TRUE(
      network.AddNetUse(share, Env("HARROWLANDER_SMB_USER"), Env("HARROWLANDER_SMB_PASSWORD")));
  std::ofstream(small / "sub" / "f.bak", std::ios::binary) << RandomContent(1048576 + 3);

  EXPECT_EQ(files.FileSize(share + "\\sub\\f.bak"), 1048576u + 3);
  EXPECT_EQ(files.FileSize(share + "\\sub\\missing.bak"), std::nullopt);
  EXPECT_EQ(files.FileSize(share + "\\sub"), std::nullopt) << "a folder is no file";
  for (const std::string& path : {share + "\\x.bak", share + "\\sub\\x.bak"}) {
    const std::optional<std::uint64_t> room = files.FreeSpace(path);
    ASSERT_TRUE(room) << path;
    EXPECT_GT(*room, 4u << 20) << path;
    EXPECT_LE(*room, 5u << 20) << path;
  }

  network.DeleteNetUse(share);
  Net("conf delshare tiny");
  std::system(("umount '" + small.string() + "'").c_str());
}

}  // namespace
}  // namespace harrowlander::smb
