// A backup statement that fails after it wrote part of the transfer file (the server's
// disk ran full).
#include "fault_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;

class PartialBackup : public RemoteFaultTest {};

// The piece goes with the run's folder; the older backup at the workstation stays. A
// later run that adds its set to the file on the server (--append) finds no piece there
// to add it to: its file restores.
TEST_F(PartialBackup, APieceOfAFailedStatementGoesAndTheNextAppendStartsAfresh) {
  // Only the first run's statement starts its file afresh ("with init").
  Start({"--fail-partway", "with init,100"});
  const fs::path older = OlderBackup("Sales.bak");

  CliResult run = Run(Remote({"backup", "--database", "Sales", "--to", older.string(), "--json"}));
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_EQ(ResultField(run, "outcome"), "failed");
  EXPECT_TRUE(Contains(ResultField(run, "status"), "There is not enough space on the disk."))
      << run.out;
  EXPECT_TRUE(Sent("xp_cmdshell 'del \"c:\\BKSQLData$\\Sales.bak\" /q'"));
  EXPECT_FALSE(SentAnyContaining("net share BKSQLData$="));
  ExpectNothingLeftOnServer();
  EXPECT_EQ(ReadFile(older), kOlderBytes);
  EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});

  run = Run(Remote({"backup", "--database", "Sales", "--to", older.string(), "--append"}));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Sent("backup database [Sales] to disk='c:\\BKSQLData$\\Sales.bak' with stats = 1"));
  ExpectNothingLeftOnServer();
  EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
  run = Run({"restore", "--database", "SalesAppended", "--from", older.string(), "--same-machine"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
}

class PartialBackupHere : public FaultTest {};

// On the server's own machine the backup is written beside the chosen file: the older
// backup there stays as it was, and nothing of the failed one is left beside it.
TEST_F(PartialBackupHere, AFailedStatementLeavesTheOlderBackupAsItWas) {
  Start({"--fail-partway", "with init,100"});
  const fs::path older = OlderBackup("Sales.bak");

  CliResult run =
      Run({"backup", "--database", "Sales", "--to", older.string(), "--same-machine", "--json"});
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_EQ(ResultField(run, "outcome"), "failed");
  EXPECT_TRUE(Contains(ResultField(run, "status"), "There is not enough space on the disk."))
      << run.out;
  EXPECT_EQ(ReadFile(older), kOlderBytes);
  EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
}

}  // namespace
}  // namespace harrowlander::testing
