// Backups that prove themselves, through the real harrowlander-cli and testserver: the
// server reads each backup back, a SHA-256 goes beside it, verify and restore check it,
// and test-restore restores and checks a scratch copy that it always drops again.
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class CliProofTest : public CliTest {
 protected:
  bool SentAny(const std::string& part) const {
    for (const std::string& batch : Batches()) {
      if (Contains(batch, part)) {
        return true;
      }
    }
    return false;
  }
  bool WaitUntilSent(const std::string& part) const {
    for (int i = 0; i < 1000 && !SentAny(part); ++i) {
      std::this_thread::sleep_for(20ms);
    }
    return SentAny(part);
  }
  // No scratch database of a test restore is left on the server.
  void ExpectNoScratchDatabase() {
    const CliResult listed = Run({"list-databases", "--all"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_FALSE(Contains(listed.out, "Harrowlander_check_")) << listed.out;
  }
  static void FlipAByte(const fs::path& file, std::uintmax_t at) {
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekg(static_cast<std::streamoff>(at));
    const char byte = static_cast<char>(stream.get() ^ 0x01);
    stream.seekp(static_cast<std::streamoff>(at));
    stream.put(byte);
  }
};

TEST_F(CliProofTest, ABackupIsReadBackHashedAndProvesItselfUntilAByteChanges) {
  CliResult run =
      Run({"backup", "--database", "Sales", "--to", "sales.bak", "--same-machine", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  const fs::path file = Work() / "sales.bak";
  const std::vector<std::string> batches = Batches();
  const auto backup = std::find(
      batches.begin(), batches.end(),
      "backup database [Sales] to disk='" + file.string() + ".partial' with init, stats = 1");
  ASSERT_NE(backup, batches.end());
  ASSERT_NE(backup + 1, batches.end());
  EXPECT_EQ(backup[1], "RESTORE VERIFYONLY FROM DISK='" + file.string() + ".partial'");
  const std::string result = run.OutLines().back();
  EXPECT_EQ(JsonField(result, "verified"), "true") << result;
  EXPECT_TRUE(JsonField(result, "status").ends_with(" 已校验")) << result;
  EXPECT_EQ(JsonField(result, "sha256").size(), 64u) << result;
  EXPECT_EQ(ReadFile(Work() / "sales.bak.sha256"), JsonField(result, "sha256") + "  sales.bak\n");
  EXPECT_EQ(fs::status(Work() / "sales.bak.sha256").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  const std::string check = "cd '" + Work().string() + "' && sha256sum -c --quiet sales.bak.sha256";
  EXPECT_EQ(std::system(check.c_str()), 0);

  // Without a server only the hash is checked.
  run = RunCli({"verify", "--from", "sales.bak", "--json"}, environment, "", Work());
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(JsonField(run.OutLines().back(), "sha256"), JsonField(result, "sha256"));
  run = Run({"verify", "--from", "sales.bak", "--same-machine"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "校验备份文件")) << run.err;

  run = Run({"test-restore", "--from", "sales.bak", "--same-machine", "--json"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(JsonField(run.OutLines().back(), "status"),
                       "CHECKDB found 0 allocation errors and 0 consistency errors"))
      << run.out;
  EXPECT_TRUE(SentAny("DBCC CHECKDB([Harrowlander_check_"));
  EXPECT_TRUE(SentAny("drop database [Harrowlander_check_"));
  ExpectNoScratchDatabase();

  // One byte changed: verify fails, and neither a restore nor a test restore sends the
  // server anything.
  FlipAByte(file, fs::file_size(file) / 2);
  const std::size_t before = Batches().size();
  run = Run({"verify", "--from", "sales.bak", "--same-machine"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "SHA-256")) << run.err;
  run = Run(
      {"restore", "--database", "Sales", "--from", "sales.bak", "--same-machine", "--drop-first"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "数据库未还原.")) << run.err;
  run = Run({"test-restore", "--from", "sales.bak", "--same-machine"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Batches().size(), before);
  EXPECT_EQ(Run({"list-databases"}).out, "Inventory\nSales\n");
}

class CliOnADamagedDatabase : public CliProofTest {
 protected:
  std::vector<std::string> ServerArguments() override { return {"--damage", "Sales"}; }
};

// A backup copies a damaged database faithfully; only its test restore finds the damage,
// and the scratch database goes however the run ends.
TEST_F(CliOnADamagedDatabase, TheTestRestoreFindsTheDamageAndDropsItsScratchDatabase) {
  CliResult run = Run({"backup", "--database", "Sales", "--to", "sales.bak", "--same-machine"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = Run({"test-restore", "--from", "sales.bak", "--same-machine", "--json"});
  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::string status = JsonField(run.OutLines().back(), "status");
  EXPECT_TRUE(Contains(status, "CHECKDB found")) << status;
  EXPECT_FALSE(Contains(status, "0 allocation errors and 0 consistency errors")) << status;
  ExpectNoScratchDatabase();
}

class CliTestRestoreStopped : public CliProofTest {
 protected:
  std::vector<std::string> ServerArguments() override { return {"--delay", "60000,DBCC CHECKDB"}; }
};

TEST_F(CliTestRestoreStopped, SigtermDuringTheCheckDropsTheScratchDatabase) {
  ASSERT_EQ(Run({"backup", "--database", "Sales", "--to", "sales.bak", "--same-machine"}).exitCode,
            0);
  CliProcess cli(Command({"test-restore", "--from", "sales.bak", "--same-machine", "--json"}),
                 environment, "", Work());
  ASSERT_TRUE(WaitUntilSent("DBCC CHECKDB"));
  ::kill(cli.Pid(), SIGTERM);
  const CliResult run = cli.Wait();
  EXPECT_EQ(run.exitCode, 143) << run.out;
  EXPECT_EQ(JsonField(run.OutLines().back(), "outcome"), "stopped") << run.out;
  EXPECT_TRUE(SentAny("drop database [Harrowlander_check_"));
  ExpectNoScratchDatabase();
}

class CliOnANewerServer : public CliProofTest {
 protected:
  std::vector<std::string> ServerArguments() override { return {"--product", "2019"}; }
};

// SQL Server 2005 and later take the backup with checksums, as a copy-only backup unless
// it is to be part of the server's chain; SQL Server 2000 (the other tests) has neither.
TEST_F(CliOnANewerServer, TheBackupCarriesChecksumsAndIsCopyOnlyUnlessChained) {
  const fs::path file = Work() / "sales.bak";
  CliResult run = Run({"backup", "--database", "Sales", "--to", "sales.bak", "--same-machine"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Sent("backup database [Sales] to disk='" + file.string() +
                   ".partial' with init, stats = 1, checksum, copy_only"));
  EXPECT_TRUE(Sent("RESTORE VERIFYONLY FROM DISK='" + file.string() + ".partial' WITH CHECKSUM"));
  run = Run({"backup", "--database", "Sales", "--to", "sales.bak", "--same-machine", "--chain",
             "--no-verify"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Sent("backup database [Sales] to disk='" + file.string() +
                   ".partial' with init, stats = 1, checksum"));
  EXPECT_FALSE(Contains(run.err, "已校验")) << run.err;
}

}  // namespace
}  // namespace harrowlander::testing
