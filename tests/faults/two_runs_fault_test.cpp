// Two runs against one server at once, both through its one transfer folder and share.
#include <algorithm>

#include "fault_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWaitingForTheLock =
    "服务器[127.0.0.1]的传输目录正被另一次备份或还原使用,等待...";

class TwoRuns : public RemoteFaultTest {
 protected:
  std::unique_ptr<CliProcess> StartBackup(const std::string& database) {
    return std::make_unique<CliProcess>(
        Command(Remote({"backup", "--database", database, "--to",
                        (Destination() / (database + ".bak")).string(), "--json"})),
        environment, "", Work());
  }

  // The server reads the whole file, each set's every length and checksum, as it
  // restores it.
  void ExpectWholeBackupOf(const std::string& database) {
    const fs::path file = Destination() / (database + ".bak");
    EXPECT_TRUE(Contains(ReadFile(file), "database=" + database + "\n")) << file;
    const CliResult restored = Run(
        {"restore", "--database", database + "Copy", "--from", file.string(), "--same-machine"});
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
  }
};

// The server's statements are held for seconds, so that the runs overlap whichever
// starts first: that one holds the transfer lock to the end of its clean-up, the other
// says it waits and then has the folder to itself. Both files arrive whole.
TEST_F(TwoRuns, TheSecondWaitsForTheFolderAndBothBackupsArriveWhole) {
  Start({"--delay", "4000,backup database"});
  auto sales = StartBackup("Sales");
  auto inventory = StartBackup("Inventory");
  const CliResult salesRun = sales->Wait();
  const CliResult inventoryRun = inventory->Wait();

  EXPECT_EQ(salesRun.exitCode, 0) << salesRun.out;
  EXPECT_EQ(inventoryRun.exitCode, 0) << inventoryRun.out;
  EXPECT_EQ(ResultField(salesRun, "outcome"), "done");
  EXPECT_EQ(ResultField(inventoryRun, "outcome"), "done");
  EXPECT_NE(Contains(salesRun.out, kWaitingForTheLock),
            Contains(inventoryRun.out, kWaitingForTheLock))
      << "exactly one waits\n"
      << salesRun.out << inventoryRun.out;

  // One run's folder is gone before the other's is made.
  std::vector<std::string> folderSteps;
  for (const std::string& batch : Batches()) {
    if (batch.starts_with("xp_cmdshell 'mkdir ") || batch.starts_with("xp_cmdshell 'rmdir ")) {
      folderSteps.push_back(batch.substr(13, 5));
    }
  }
  EXPECT_EQ(folderSteps, (std::vector<std::string>{"mkdir", "rmdir", "mkdir", "rmdir"}));
  ExpectNothingLeftOnServer();
  EXPECT_EQ(Names(Destination()), (std::vector<std::string>{"Inventory.bak", "Sales.bak"}));
  ExpectWholeBackupOf("Sales");
  ExpectWholeBackupOf("Inventory");
}

// A run that waits longer than its command timeout gives up with a clear end and
// touches nothing: the run that holds the folder delivers its backup whole.
TEST_F(TwoRuns, ARunThatWaitsTooLongGivesUpAndTheOtherBackupArrivesWhole) {
  Start({"--delay", "8000,backup database \\[Sales\\]"});
  auto sales = StartBackup("Sales");
  ASSERT_TRUE(WaitForBatch("backup database [Sales]"));
  const CliResult gaveUp =
      Run(Remote({"backup", "--database", "Inventory", "--to",
                  (Destination() / "Inventory.bak").string(), "--command-timeout", "3", "--json"}));
  const CliResult salesRun = sales->Wait();

  EXPECT_EQ(gaveUp.exitCode, 1) << gaveUp.out;
  EXPECT_EQ(ResultField(gaveUp, "outcome"), "failed");
  EXPECT_TRUE(Contains(gaveUp.out, kWaitingForTheLock)) << gaveUp.out;
  EXPECT_EQ(ResultField(gaveUp, "status"),
            "服务器[127.0.0.1]的传输目录一直被另一次备份或还原使用,等待3秒后放弃;未做任何改动.");
  EXPECT_EQ(salesRun.exitCode, 0) << salesRun.out;
  EXPECT_FALSE(SentAnyContaining("backup database [Inventory]"));
  const std::vector<std::string> batches = Batches();
  EXPECT_EQ(std::count(batches.begin(), batches.end(), "xp_cmdshell 'mkdir c:\\BKSQLData$ '"), 1);
  ExpectNothingLeftOnServer();
  EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
  ExpectWholeBackupOf("Sales");
}

}  // namespace
}  // namespace harrowlander::testing
