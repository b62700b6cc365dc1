// What a backup's verification and a test restore meet: BACKUP WITH CHECKSUM and
// COPY_ONLY where the release knows them, RESTORE VERIFYONLY [WITH CHECKSUM] of good,
// damaged and appended files, and DBCC CHECKDB of sound and damaged databases, the
// damage travelling through a backup and its restore under a scratch name.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "odbc_client.h"
#include "server_process.h"

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Numbers = std::vector<long>;

namespace {

const std::string kFolder = "c:\\BKSQLData$\\";
const std::string kDataFolder = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";

Numbers Natives(const Outcome& o) {
  Numbers numbers;
  for (const Diagnostic& d : o.diagnostics) {
    numbers.push_back(d.native);
  }
  return numbers;
}

bool Said(const Outcome& o, const std::string& text) {
  return o.Messages().find(text) != std::string::npos;
}

struct Verification : ::testing::Test {
  std::unique_ptr<OdbcClient> client;
  // Connects a new client to `server`, which has the transfer folder from then on.
  void Start(ServerProcess& server) {
    ASSERT_TRUE(server.Ready());
    client = std::make_unique<OdbcClient>();
    ASSERT_TRUE(client->Connect(server.Port(), "sa", ServerProcess::kSaPassword));
    client->Execute("xp_cmdshell 'mkdir c:\\BKSQLData$'");
  }
  Outcome Verify(const std::string& file, bool checksum = false) {
    return client->Execute("RESTORE VERIFYONLY FROM DISK='" + kFolder + file + "'" +
                           (checksum ? " WITH CHECKSUM" : ""));
  }
  Outcome CheckDb(const std::string& database, const std::string& options = "") {
    return client->Execute("DBCC CHECKDB([" + database + "])" + options);
  }
};

}  // namespace

TEST_F(Verification, On2019EachSetRecordsItsChecksumAndVerifyReadsSetOne) {
  ServerProcess server({"--seed", "--product", "2019", "--truncate-after",
                        "-- cut,C:\\BKSQLData$\\Cut.bak,300", "--replace-after",
                        "-- other,C:\\BKSQLData$\\Other.bak"});
  Start(server);
  auto with = client->Execute("backup database [Sales] to disk='" + kFolder +
                              "Sales.bak' with init, stats = 1, checksum, copy_only");
  EXPECT_FALSE(with.Failed()) << with.Messages();
  EXPECT_TRUE(with.HasNative(3014));
  auto plain = client->Execute("backup database [Sales] to disk='" + kFolder +
                               "Plain.bak' with init, stats = 1");
  EXPECT_FALSE(plain.Failed()) << plain.Messages();

  EXPECT_EQ(Natives(Verify("Sales.bak", true)), Numbers{3262});
  EXPECT_EQ(Natives(Verify("Plain.bak")), Numbers{3262});
  auto refused = Verify("Plain.bak", true);
  EXPECT_TRUE(refused.Failed());
  EXPECT_EQ(Natives(refused), (Numbers{3187, 3013})) << refused.Messages();
  EXPECT_TRUE(Said(refused,
                   "RESTORE WITH CHECKSUM cannot be specified because the backup set does not "
                   "contain checksum information."));
  EXPECT_TRUE(Said(refused, "VERIFY DATABASE is terminating abnormally."));
  auto restore = client->Execute("restore database [P] from disk='" + kFolder +
                                 "Plain.bak' with checksum, move 'Sales_Data' to '" + kDataFolder +
                                 "P.mdf', move 'Sales_Log' to '" + kDataFolder + "P.ldf'");
  EXPECT_EQ(Natives(restore), (Numbers{3187, 3013})) << restore.Messages();

  // Appended sets: set 1 decides, and what follows it is not read.
  auto second = client->Execute("backup database [Sales] to disk='" + kFolder +
                                "Plain.bak' with stats = 1, checksum");
  EXPECT_TRUE(Said(second, "on file 2.")) << second.Messages();
  EXPECT_EQ(Natives(Verify("Plain.bak", true)), (Numbers{3187, 3013}));
  client->Execute("backup database [Sales] to disk='" + kFolder + "Sales.bak' with stats = 1");
  const fs::path sales = server.StateDir() / "c" / "BKSQLData$" / "Sales.bak";
  fs::resize_file(sales, fs::file_size(sales) - 100);
  auto firstOfTwo = Verify("Sales.bak", true);
  EXPECT_EQ(Natives(firstOfTwo), Numbers{3262}) << firstOfTwo.Messages();
  EXPECT_TRUE(Said(firstOfTwo, "The backup set on file 1 is valid."));

  // Files the fault switches cut into their first set or rewrote.
  client->Execute("backup database [Inventory] to disk='" + kFolder +
                  "Cut.bak' with init, stats = 1, checksum, copy_only -- cut");
  client->Execute("backup database [Inventory] to disk='" + kFolder +
                  "Other.bak' with init, stats = 1, checksum, copy_only -- other");
  for (const char* file : {"Cut.bak", "Other.bak"}) {
    for (bool checksum : {false, true}) {
      auto damaged = Verify(file, checksum);
      EXPECT_EQ(Natives(damaged), (Numbers{3241, 3013})) << file << "\n" << damaged.Messages();
      EXPECT_TRUE(Said(damaged, "The media family on device '" + kFolder + file +
                                    "' is incorrectly formed. SQL Server cannot process this "
                                    "media family."));
    }
  }
}

TEST_F(Verification, On2000ChecksumAndCopyOnlyAreUnknownOptionsAndNothingIsWritten) {
  ServerProcess server({"--seed"});
  Start(server);
  const fs::path folder = server.StateDir() / "c" / "BKSQLData$";
  struct Refused {
    std::string options;
    std::string named;
  };
  for (const Refused& refused : {Refused{"with init, stats = 1, checksum, copy_only", "checksum"},
                                 Refused{"with stats = 1, checksum", "checksum"},
                                 Refused{"with init, stats = 1, copy_only", "copy_only"}}) {
    SCOPED_TRACE(refused.options);
    auto out = client->Execute("backup database [Sales] to disk='" + kFolder + "Sales.bak' " +
                               refused.options);
    EXPECT_TRUE(out.Failed());
    ASSERT_EQ(Natives(out), Numbers{155}) << out.Messages();
    EXPECT_EQ(out.diagnostics[0].state, "42000");
    EXPECT_TRUE(Said(out, "'" + refused.named + "' is not a recognized BACKUP option."));
    EXPECT_FALSE(fs::exists(folder / "Sales.bak"));
  }
  client->Execute("backup database [Sales] to disk='" + kFolder +
                  "Sales.bak' with init, stats = 1");
  EXPECT_EQ(Natives(Verify("Sales.bak")), Numbers{3262});
  auto verify = Verify("Sales.bak", true);
  EXPECT_EQ(Natives(verify), Numbers{155}) << verify.Messages();
  EXPECT_TRUE(Said(verify, "'CHECKSUM' is not a recognized RESTORE option."));
}

TEST_F(Verification, CheckDbFindsDamageThatBackupAndVerifyCarryIntoATestRestore) {
  ScratchDir state;
  auto server = std::make_unique<ServerProcess>(std::vector<std::string>{
      "--seed", "--product", "2019", "--damage", "Sales", "--state", state.Path().string()});
  Start(*server);

  auto sound = CheckDb("Inventory");
  EXPECT_EQ(sound.rc, SQL_SUCCESS_WITH_INFO) << sound.Messages();
  EXPECT_TRUE(Said(sound,
                   "CHECKDB found 0 allocation errors and 0 consistency errors in database "
                   "'Inventory'."));
  ASSERT_FALSE(sound.diagnostics.empty());
  EXPECT_EQ(sound.diagnostics.back().native, 2528);
  auto quiet = CheckDb("Inventory", " WITH NO_INFOMSGS, ALL_ERRORMSGS");
  EXPECT_FALSE(quiet.Failed());
  EXPECT_TRUE(quiet.diagnostics.empty()) << quiet.Messages();

  auto damaged = CheckDb("Sales");
  EXPECT_TRUE(damaged.Failed());
  EXPECT_TRUE(damaged.HasNative(8976) && damaged.HasNative(8978)) << damaged.Messages();
  EXPECT_TRUE(Said(damaged,
                   "CHECKDB found 0 allocation errors and 2 consistency errors in database "
                   "'Sales'."));
  EXPECT_TRUE(Said(damaged,
                   "repair_allow_data_loss is the minimum repair level for the errors found by "
                   "DBCC CHECKDB (Sales)."));
  // Errors and the summaries of a database with errors come even without info messages.
  EXPECT_EQ(Natives(CheckDb("Sales", " WITH NO_INFOMSGS, ALL_ERRORMSGS")),
            (Numbers{8976, 8978, 8990, 8989, 8958}));
  auto unknown = CheckDb("Nope");
  EXPECT_EQ(Natives(unknown), Numbers{2520}) << unknown.Messages();

  // A test restore as the tool runs it: back up with checksums, verify, restore under a
  // scratch name into the data folder of master, check, drop.
  auto dataFolder =
      FirstColumn(client->Execute("select filename from dbo.sysdatabases where name='master'"));
  ASSERT_EQ(dataFolder.size(), 1u);
  const std::string folder = dataFolder[0].substr(0, dataFolder[0].rfind('\\') + 1);
  EXPECT_EQ(folder, kDataFolder);
  auto testRestore = [&](const std::string& database, const std::string& scratch) {
    const std::string bak = kFolder + database + ".bak";
    client->Execute("backup database [" + database + "] to disk='" + bak +
                    "' with init, stats = 1, checksum, copy_only");
    auto verified = client->Execute("RESTORE VERIFYONLY FROM DISK='" + bak + "' WITH CHECKSUM");
    EXPECT_EQ(Natives(verified), Numbers{3262}) << verified.Messages();
    auto files = client->Execute("RESTORE FILELISTONLY from disk='" + bak + "'");
    const Names logical = FirstColumn(files);
    EXPECT_EQ(logical.size(), 2u) << files.Messages();
    auto restored =
        client->Execute("restore database [" + scratch + "] from disk='" + bak + "' WITH  move '" +
                        logical.at(0) + "' to '" + folder + scratch + ".mdf',move '" +
                        logical.at(1) + "' to '" + folder + scratch + "_log.ldf'");
    EXPECT_TRUE(restored.HasNative(3014)) << restored.Messages();
    return CheckDb(scratch);
  };
  const fs::path data =
      state.Path() / "c" / "Program Files" / "Microsoft SQL Server" / "MSSQL" / "Data";
  auto check = testRestore("Sales", "Sales_check_1a2b");
  EXPECT_TRUE(check.Failed());
  EXPECT_TRUE(Said(check,
                   "CHECKDB found 0 allocation errors and 2 consistency errors in database "
                   "'Sales_check_1a2b'."))
      << check.Messages();
  auto drop = client->Execute("drop database [Sales_check_1a2b]");
  EXPECT_FALSE(drop.Failed()) << drop.Messages();
  EXPECT_FALSE(fs::exists(data / "Sales_check_1a2b.mdf"));
  EXPECT_FALSE(fs::exists(data / "Sales_check_1a2b_log.ldf"));
  auto soundCopy = testRestore("Inventory", "Inventory_check_9f8e");
  EXPECT_FALSE(soundCopy.Failed()) << soundCopy.Messages();
  EXPECT_TRUE(soundCopy.HasNative(8989));
  testRestore("Sales", "Sales_check_kept");

  // The damage is the databases', not the switch's: it outlives a restart without it.
  server.reset();
  ServerProcess again({"--product", "2019", "--state", state.Path().string()});
  Start(again);
  EXPECT_TRUE(CheckDb("Sales_check_kept").Failed());
  EXPECT_FALSE(CheckDb("Inventory_check_9f8e").Failed());

  ServerProcess unknownDamage({"--damage", "Nope"});
  EXPECT_FALSE(unknownDamage.Ready());
}

TEST_F(Verification, ADelayedCheckDbEndsWithTheClientsCancelAndRunsNothing) {
  ServerProcess server({"--seed", "--delay", "5000,dbcc checkdb"});
  Start(server);
  const auto started = std::chrono::steady_clock::now();
  auto out = client->Execute("DBCC CHECKDB([Sales])", 1);  // the query timeout sends ATTENTION
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
  EXPECT_TRUE(out.Failed());
  EXPECT_FALSE(out.HasNative(8989)) << out.Messages();
  EXPECT_FALSE(client->Dead());
  EXPECT_EQ(FirstColumn(client->Execute("select 7")), Names{"7"});
}
