// Backup and Restore between this workstation and testserver as a remote server: the
// transfer folder and share made by testserver's xp_cmdshell and published through a
// real smbd, the log-on and copy through libsmbclient. Run by with_smbd.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "integration/testserver_fixture.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/spawn_process_launcher.h"
#include "platform/smb/smb_client.h"
#include "platform/smb/smb_network_session.h"
#include "platform/smb/unc_file_system.h"
#include "smbd_fixture_env.h"

namespace harrowlander {
namespace {

namespace fs = std::filesystem;
using smb::testing::Env;
using smb::testing::ReadFile;

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

// The file system the dialog uses, which also keeps a copy of the transfer file as the
// server wrote it, taken from the server's disk just before the tool deletes it.
class WitnessFileSystem : public smb::UncFileSystem {
 public:
  using UncFileSystem::UncFileSystem;
  bool DeleteFile(const std::string& path) override {
    if (path.starts_with("\\\\") && onServerDisk) {
      witnessed = ReadFile(onServerDisk(path));
    }
    return UncFileSystem::DeleteFile(path);
  }
  std::function<fs::path(const std::string&)> onServerDisk;
  std::string witnessed;
};

class RemoteTransferTest : public testing::TestServerTest {
 protected:
  // The workstation's SMB client goes to smbPort (0: the smbd that publishes the share).
  explicit RemoteTransferTest(int smbPort = 0) : client(smbPort) {}

  std::vector<std::string> ServerArguments() override {
    std::vector<std::string> args = {"--samba-conf", Env("HARROWLANDER_SMB_CONF")};
    args.insert(args.end(), faults.begin(), faults.end());
    return args;
  }

  void SetUp() override {
    if (Env("HARROWLANDER_SMB_CONF").empty()) {
      GTEST_SKIP() << "needs the smbd of tests/smb/with_smbd.sh";
    }
    TestServerTest::SetUp();
    fake.system.settingsDirectory = m_scratch.Path().string();
    files.onServerDisk = [this](const std::string& unc) {
      return OnServerDisk("c:\\BKSQLData$\\" + unc.substr(unc.rfind('\\') + 1));
    };
    remote.m_strServer = dlg.m_strServer;
    remote.m_strSqlPassword = dlg.m_strSqlPassword;
    remote.m_nConnectTimeout = 5;
    remote.m_nCommandTimeout = 20;
    remote.m_strNetServer = "127.0.0.1";
    remote.m_strNetUser = Env("HARROWLANDER_SMB_USER");
    remote.m_strNetPassword = Env("HARROWLANDER_SMB_PASSWORD");
    remote.m_bSaveSqlPassword = 1;
    remote.m_bSaveNetPassword = 1;
    remote.m_strDatabase = "Sales";
    remote.m_bIncremental = 0;
  }

  int Backup(const fs::path& to) {
    fake.window.fileDialogAnswers = {to.string()};
    return remote.BackupDatabase();
  }
  int Restore(const fs::path& from, const std::string& database) {
    remote.m_strDatabase = database;
    fake.window.fileDialogAnswers = {from.string()};
    return remote.RestoreDatabase();
  }

  // What is left of the transfer on the server, on Samba and on this workstation.
  void ExpectNothingLeft() {
    const std::string shares =
        Shell("net -s '" + Env("HARROWLANDER_SMB_CONF") + "' conf listshares");
    EXPECT_EQ(shares.find("BKSQLData$"), std::string::npos) << shares;
    EXPECT_FALSE(fs::exists(OnServerDisk("c:\\BKSQLData$")));
    std::string sessions;
    for (int i = 0; i < 40; ++i) {
      sessions = Shell("smbstatus -s '" + Env("HARROWLANDER_SMB_CONF") + "' -b 2>/dev/null");
      if (sessions.find(Env("HARROWLANDER_SMB_USER")) == std::string::npos) {
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(sessions.find(Env("HARROWLANDER_SMB_USER")), std::string::npos) << sessions;
  }

  std::vector<std::string> faults;
  smb::SmbClient client;
  smb::SmbNetworkSession network{client};
  posix::PosixFileSystem local;
  WitnessFileSystem files{local, client};
  posix::SpawnProcessLauncher launcher;
  Platform ports{
      fake.window,         fake.system,        files,    fake.codec,         fake.sql, fake.browser,
      fake.standardOutput, fake.standardError, launcher, fake.clientUtility, network};
  CHarrowlanderDlg remote{ports};
};

TEST_F(RemoteTransferTest, BackupArrivesAsTheServerWroteItAndRestoresUnderANewName) {
  const fs::path local = m_scratch.Path() / "Sales_copy.bak";
  std::ofstream(local) << "an older file of that name";

  ASSERT_EQ(Backup(local), 1) << remote.m_strStatus;
  EXPECT_TRUE(remote.m_strStatus.starts_with("已经备份完成.")) << remote.m_strStatus;
  ASSERT_FALSE(files.witnessed.empty());
  EXPECT_EQ(ReadFile(local), files.witnessed);
  EXPECT_EQ(fake.window.texts[1008], remote.m_strStatus);
  ExpectNothingLeft();

  ASSERT_EQ(Restore(local, "SalesRestored"), 1) << remote.m_strStatus;
  EXPECT_TRUE(remote.m_strStatus.starts_with("还原数据库[SalesRestored]完成,"))
      << remote.m_strStatus;
  EXPECT_EQ(UserTables("SalesRestored"), UserTables("Sales"));
  EXPECT_FALSE(UserTables("Sales").empty());
  ExpectNothingLeft();
}

TEST_F(RemoteTransferTest, AWrongWindowsPasswordIsRefusedAndEverythingTakenDown) {
  remote.m_strNetPassword = "not the password";
  EXPECT_EQ(Backup(m_scratch.Path() / "x.bak"), 0);
  EXPECT_EQ(remote.m_strStatus, "登陆远程服务器[127.0.0.1]失败!");
  EXPECT_FALSE(fs::exists(m_scratch.Path() / "x.bak"));
  ExpectNothingLeft();
}

// Without a Windows user there is no account for the share on this workstation: the
// copy is refused, and the run still ends cleanly.
TEST_F(RemoteTransferTest, ARefusedCopyFailsTheBackupAndTheRestore) {
  remote.m_strNetUser.clear();
  EXPECT_EQ(Backup(m_scratch.Path() / "y.bak"), 1);
  EXPECT_TRUE(remote.m_strStatus.starts_with("备份失败.原因:")) << remote.m_strStatus;
  ExpectNothingLeft();

  const fs::path file = m_scratch.Path() / "z.bak";
  std::ofstream(file) << "whatever";
  EXPECT_EQ(Restore(file, "Other"), 1);
  EXPECT_TRUE(remote.m_strStatus.starts_with(
      "由于没有服务器[127.0.0.1]的可写权限,还原失败。请更换登录用户后再试。原因:"))
      << remote.m_strStatus;
  ExpectNothingLeft();
}

TEST_F(RemoteTransferTest, PackingWithTheTestArchiverLeavesOnlyAnEncryptedArchive) {
  remote.m_bCompressRar = 1;
  remote.m_strRarExePath = TEST_ARCHIVER_PATH;
  remote.m_strRarPassword = remote.m_strRarPassword2 = "two words";
  const fs::path local = m_scratch.Path() / "packed.bak";
  ASSERT_EQ(Backup(local), 1) << remote.m_strStatus;
  EXPECT_TRUE(remote.m_strStatus.starts_with("packed.bak 压缩完成.")) << remote.m_strStatus;
  EXPECT_FALSE(fs::exists(local));
  EXPECT_EQ(ReadFile(m_scratch.Path() / "packed.rar"),
            "TESTRAR password=two words\n" + files.witnessed);
  ExpectNothingLeft();
}

TEST_F(RemoteTransferTest, AFailingArchiverKeepsTheBackupAndSavesNoSettings) {
  remote.m_bCompressRar = 1;
  remote.m_strRarExePath = TEST_ARCHIVER_PATH;
  const fs::path local = m_scratch.Path() / "kept.bak";
  setenv("HARROWLANDER_ARCHIVER_EXIT", "3", 1);
  const int result = Backup(local);
  unsetenv("HARROWLANDER_ARCHIVER_EXIT");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(remote.m_strStatus, "压缩失败.");
  EXPECT_EQ(ReadFile(local), files.witnessed);
  EXPECT_FALSE(fs::exists(m_scratch.Path() / "Harrowlander.dat"));
  ExpectNothingLeft();
}

// A server that speaks only dialects older than SMB1's NT LM 0.12: the status says so
// instead of blaming the account, and the run takes down what it made.
class OldDialectServerTest : public RemoteTransferTest {
 protected:
  OldDialectServerTest()
      : RemoteTransferTest(std::atoi(Env("HARROWLANDER_SMB_LANMAN_PORT").c_str())) {}
};

TEST_F(OldDialectServerTest, TheStatusNamesTheDialectsNotTheAccount) {
  EXPECT_EQ(Backup(m_scratch.Path() / "old.bak"), 0);
  EXPECT_EQ(remote.m_strStatus, "远程服务器[127.0.0.1]不提供本机支持的SMB协议版本!");
  EXPECT_FALSE(fs::exists(m_scratch.Path() / "old.bak"));
  ExpectNothingLeft();
}

class DroppedConnectionTest : public RemoteTransferTest {
 protected:
  void SetUp() override {
    faults = {"--drop", "backup database"};
    RemoteTransferTest::SetUp();
  }
};

TEST_F(DroppedConnectionTest, AServerGoneInTheMiddleOfABackupEndsTheRunWithItsMessage) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Backup(m_scratch.Path() / "gone.bak"), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_FALSE(remote.m_strStatus.empty());
  EXPECT_FALSE(remote.m_strStatus.starts_with("已经备份完成"));
  EXPECT_FALSE(fs::exists(m_scratch.Path() / "gone.bak"));
}

}  // namespace
}  // namespace harrowlander
