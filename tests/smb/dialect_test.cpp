// The SMB adapter against the smbd instances of with_smbd.sh that offer one kind of
// dialect only: SMB1 (NT1), SMB3, or only those older than NT1, which this client no
// longer speaks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fakes/copy_with_callback.h"
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

// The sessions that the smbd of an instance lists, with their protocol version.
std::string SessionsOf(const std::string& instance) {
  const fs::path conf = fs::path(Env("HARROWLANDER_SMB_CONF")).parent_path().parent_path() /
                        instance / "etc" / "smb.conf";
  std::string out;
  if (FILE* pipe = ::popen(("smbstatus -s '" + conf.string() + "' -b 2>/dev/null").c_str(), "r")) {
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
      out.append(buffer, n);
    }
    ::pclose(pipe);
  }
  return out;
}

class DialectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("HARROWLANDER_SMB_DIALECT_FOLDER").empty()) {
      GTEST_SKIP() << "needs the smbd instances of tests/smb/with_smbd.sh";
    }
  }
  static int Port(const char* name) { return std::atoi(Env(name).c_str()); }
  fs::path Folder() const { return Env("HARROWLANDER_SMB_DIALECT_FOLDER"); }
};

// Each server gets the highest dialect both sides offer, and copies in both directions
// work over it, several streams included.
TEST_F(DialectTest, SmbOneOnlyAndSmbThreeOnlyServersBothServeTheCopy) {
  const struct {
    const char* instance;
    const char* portVariable;
    const char* protocol;
  } servers[] = {{"nt1", "HARROWLANDER_SMB_NT1_PORT", " NT1 "},
                 {"smb3", "HARROWLANDER_SMB_SMB3_PORT", " SMB3_11 "}};
  std::string content(9 * 1048576 + 11, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) {
    content[i] = static_cast<char>(i * 13 % 253);
  }
  std::ofstream(Folder() / "down.bak", std::ios::binary) << content;
  for (const auto& server : servers) {
    SCOPED_TRACE(server.instance);
    SmbClient client(Port(server.portVariable));
    SmbNetworkSession network(client);
    posix::PosixFileSystem local;
    UncFileSystem files(local, client);
    ASSERT_TRUE(
        network.AddNetUse(kShare, Env("HARROWLANDER_SMB_USER"), Env("HARROWLANDER_SMB_PASSWORD")));
    EXPECT_NE(SessionsOf(server.instance).find(server.protocol), std::string::npos)
        << SessionsOf(server.instance);
    const fs::path copy = Folder() / (std::string("copy-") + server.instance);
    const auto ignore = [](std::uint64_t, std::uint64_t) {};
    ASSERT_TRUE(harrowlander::testing::CopyWith(files, std::string(kShare) + "\\down.bak",
                                                copy.string(), ignore));
    EXPECT_TRUE(ReadFile(copy) == content);
    ASSERT_TRUE(harrowlander::testing::CopyWith(files, copy.string(),
                                                std::string(kShare) + "\\up.bak", ignore));
    EXPECT_TRUE(ReadFile(Folder() / "up.bak") == content);
    network.DeleteNetUse(kShare);
  }
}

// Only a server that answers our offer with none of its dialects is reported as such;
// a refused password, or a server that cannot be reached, stays a refused log-on.
TEST_F(DialectTest, NoCommonDialectIsToldApartFromARefusedLogOn) {
  using Failure = NetworkSession::LogOnFailure;
  SmbClient oldServer(Port("HARROWLANDER_SMB_LANMAN_PORT"));
  SmbNetworkSession toOldServer(oldServer);
  EXPECT_FALSE(toOldServer.AddNetUse(kShare, Env("HARROWLANDER_SMB_USER"),
                                     Env("HARROWLANDER_SMB_PASSWORD")));
  EXPECT_EQ(toOldServer.LastLogOnFailure(), Failure::kNoCommonDialect);

  SmbClient smbOneServer(Port("HARROWLANDER_SMB_NT1_PORT"));
  SmbNetworkSession toSmbOneServer(smbOneServer);
  EXPECT_FALSE(toSmbOneServer.AddNetUse(kShare, Env("HARROWLANDER_SMB_USER"), "wrong"));
  EXPECT_EQ(toSmbOneServer.LastLogOnFailure(), Failure::kRefused);

  SmbClient nobody(4459);
  SmbNetworkSession toNobody(nobody);
  EXPECT_FALSE(toNobody.AddNetUse(kShare, Env("HARROWLANDER_SMB_USER"), "x"));
  EXPECT_EQ(toNobody.LastLogOnFailure(), Failure::kRefused);

  // The reason is the last log-on's: a later refusal is not blamed on the dialect.
  EXPECT_FALSE(toOldServer.AddNetUse(R"(\\no.such.host.invalid\scratch)", "u", "p"));
  EXPECT_EQ(toOldServer.LastLogOnFailure(), Failure::kRefused);
}

}  // namespace
}  // namespace harrowlander::smb
