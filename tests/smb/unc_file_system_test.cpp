// The SMB adapter on its own against the private smbd of with_smbd.sh: log-on and
// log-off, and copies in both directions onto existing files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/posix/posix_file_system.h"
#include "platform/smb/smb_client.h"
#include "platform/smb/smb_network_session.h"
#include "platform/smb/unc_file_system.h"

namespace harrowlander::smb {
namespace {

namespace fs = std::filesystem;

constexpr const char* kShare = R"(\\127.0.0.1\scratch)";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

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

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
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
  bool SessionOnServer() {
    const std::string sessions =
        Shell("smbstatus -s '" + Env("HARROWLANDER_SMB_CONF") + "' -b 2>/dev/null");
    return sessions.find(Env("HARROWLANDER_SMB_USER")) != std::string::npos;
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
  bool session = true;
  for (int i = 0; i < 40 && session; ++i) {
    session = SessionOnServer();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_FALSE(session);
}

TEST_F(UncFileSystemTest, CopiesReplaceExistingFilesInBothDirectionsAndLeaveNoPieces) {
  ASSERT_TRUE(LogOn());
  const std::string content(3 * 1048576 + 5, 'b');
  std::ofstream(Local("up.bak")) << content;
  std::ofstream(OnShare("Sales.bak")) << "left by an earlier run";
  std::uint64_t lastCopied = 0;
  ASSERT_TRUE(files.CopyFile(Local("up.bak"), std::string(kShare) + "\\Sales.bak",
                             [&](std::uint64_t, std::uint64_t copied) { lastCopied = copied; }));
  EXPECT_EQ(lastCopied, content.size());
  EXPECT_EQ(ReadFile(OnShare("Sales.bak")), content);

  std::ofstream(Local("down.bak")) << "old";
  ASSERT_TRUE(files.CopyFile(std::string(kShare) + "\\Sales.bak", Local("down.bak"), ignore));
  EXPECT_EQ(ReadFile(Local("down.bak")), content);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "share"), {}), 1);

  EXPECT_TRUE(files.DeleteFile(std::string(kShare) + "\\Sales.bak"));
  EXPECT_FALSE(fs::exists(OnShare("Sales.bak")));
}

TEST_F(UncFileSystemTest, AMissingSourceLeavesTheDestinationAsItWas) {
  ASSERT_TRUE(LogOn());
  std::ofstream(Local("keep.bak")) << "keep";
  EXPECT_FALSE(files.CopyFile(std::string(kShare) + "\\missing.bak", Local("keep.bak"), ignore));
  EXPECT_EQ(ReadFile(Local("keep.bak")), "keep");
  EXPECT_FALSE(
      files.CopyFile(Local("keep.bak"), std::string(kShare) + "\\no\\such\\dir.bak", ignore));
}

}  // namespace
}  // namespace harrowlander::smb
