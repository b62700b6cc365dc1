// A whole server backed up in one run through the real harrowlander-cli, testserver and
// the private smbd of tests/smb/with_smbd.sh: every user database under its own dated
// name in one folder, one transfer set-up for the run, and retention that deletes only
// a database's own older backups once its new one is proven.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <thread>

#include "cli_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

// Every mistake is refused (status 2) before anything reaches a server, and before a
// folder is looked at.
TEST(CliFolderBackupUsage, MistakesThatCouldLoseBackupsStopBeforeTheServer) {
  const std::vector<std::string> kFolder = {"backup", "--all-databases", "--to-dir",
                                            "/nonexistent"};
  const auto with = [&kFolder](std::vector<std::string> more) {
    more.insert(more.begin(), kFolder.begin(), kFolder.end());
    return more;
  };
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {{"backup", "--all-databases", "--to", "x.bak"}, "--to names the file of one database"},
      {{"backup", "--database", "A", "--database", "B", "--to", "x.bak"}, "give --to-dir"},
      {{"backup", "--all-databases"}, "--to-dir DIR is required"},
      {{"backup", "--to-dir", "d"}, "--database NAME or --all-databases is required"},
      {{"backup", "--database", "A", "--to", "x.bak", "--keep", "2"}, "go with --to-dir"},
      {{"shrink", "--database", "A", "--database", "B"}, "--database is given once"},
      {with({"--append"}), "go with a single --database"},
      {with({"--pack"}), "go with a single --database"},
      // A pattern that would put every database in one file, or nowhere known.
      {with({"--name", "{date}_{time}.bak"}), "must hold {database}"},
      {with({"--name", "{database}_{when}.bak"}), "unknown token {when}"},
      {with({"--name", "../{database}.bak"}), "holds no folder"},
      // Retention that could not tell the newest or would keep nothing.
      {with({"--keep", "0"}), "--keep N: a whole number from 1"},
      {with({"--keep-days", "-3"}), "--keep-days D: a whole number from 1"},
      {with({"--keep", "2", "--name", "{database}.bak"}), "need a --name with {date} and {time}"},
      {with({"--keep", "2", "--no-verify"}), "not with --no-verify"},
      {with({"--dry-run"}), "--dry-run goes with --keep or --keep-days"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--server", "127.0.0.1,9", "--connect-timeout", "1"});
    const CliResult run = RunCli(args);
    EXPECT_EQ(run.exitCode, 2) << c.says << ": " << run.err;
    EXPECT_TRUE(Contains(run.err, c.says)) << run.err;
  }
  // A folder that is not there is refused as --to is.
  const CliResult run = RunCli(with({"--server", "127.0.0.1,9"}));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(Contains(run.err, "--to-dir /nonexistent: ")) << run.err;
}

class CliWholeServer : public CliTest {
 protected:
  std::vector<std::string> ServerArguments() override {
    // Playing SQL Server 2000 through and through: its backups take no options beyond
    // those of that release.
    std::vector<std::string> args = {"--samba-conf", Env("HARROWLANDER_SMB_CONF"), "--tds-version",
                                     "7.1"};
    args.insert(args.end(), m_extraServerArguments.begin(), m_extraServerArguments.end());
    return args;
  }

  void SetUp() override {
    if (Env("HARROWLANDER_SMB_CONF").empty()) {
      GTEST_SKIP() << "needs the smbd of tests/smb/with_smbd.sh";
    }
    CliTest::SetUp();
    environment["HARROWLANDER_NET_PASSWORD"] = Env("HARROWLANDER_SMB_PASSWORD");
    fs::create_directories(Folder());
  }

  fs::path Folder() const { return Work() / "nightly"; }

  // A backup of the whole server into the folder; the names hold the second, so runs
  // are a second apart at least.
  CliResult BackUpAll(std::vector<std::string> more) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    std::vector<std::string> args = {
        "backup",       "--all-databases", "--to-dir",   Folder().string(),
        "--net-server", "127.0.0.1",       "--net-user", Env("HARROWLANDER_SMB_USER"),
        "--json"};
    args.insert(args.end(), more.begin(), more.end());
    return Run(args);
  }

  Names FilesInFolder() const {
    Names names;
    for (const fs::directory_entry& entry : fs::directory_iterator(Folder())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  // The folder's backups of the database under the default name, and their sidecars.
  Names BackupsOf(const std::string& database) const {
    static const std::regex kShape(R"(_\d{8}_\d{6}\.bak(\.sha256)?)");
    Names names;
    for (const std::string& name : FilesInFolder()) {
      if (name.starts_with(database + "_") &&
          std::regex_match(name.substr(database.size()), kShape)) {
        names.insert(name);
      }
    }
    return names;
  }

  static std::vector<std::string> LinesOfType(const CliResult& run, const std::string& type) {
    std::vector<std::string> lines;
    for (const std::string& line : run.OutLines()) {
      if (JsonField(line, "type") == type) {
        lines.push_back(line);
      }
    }
    return lines;
  }

  // Batches that set up the transfer share so far.
  int SharesMade() const {
    const std::vector<std::string> batches = Batches();
    return static_cast<int>(std::count_if(batches.begin(), batches.end(), [](const auto& batch) {
      return Contains(batch, "net share BKSQLData$=");
    }));
  }

  void Put(const std::string& name, const std::string& content) const {
    std::ofstream(Folder() / name) << content;
  }

  std::vector<std::string> m_extraServerArguments;
};

TEST_F(CliWholeServer, ThreeRunsKeepTwoBackupsOfEachDatabaseAndANewDatabaseJoins) {
  // What no run may touch: files of other names, another database's look-alike, a
  // database named like a backup of Sales.
  const Names others = {"notes.txt", "Sales_Archive_20200101_000000.bak",
                        "Sales_20200101_000000.bak.partial", "Sales_20200101_000000.zip",
                        "Sales_20200101_000000_20200101_000000.bak"};
  for (const std::string& name : others) {
    Put(name, "keep me");
  }

  CliResult run = BackUpAll({"--keep", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(SharesMade(), 1);
  const std::vector<std::string> results = LinesOfType(run, "backup");
  ASSERT_EQ(results.size(), 2u) << run.out;
  for (const std::string& line : results) {
    EXPECT_EQ(JsonField(line, "ok"), "true") << line;
    EXPECT_EQ(JsonField(line, "verified"), "true") << line;
    const fs::path file = JsonField(line, "file");
    EXPECT_EQ(JsonField(line, "bytes"), std::to_string(fs::file_size(file)));
    EXPECT_TRUE(Contains(ReadFile(file.string() + ".sha256"), JsonField(line, "sha256")));
  }
  EXPECT_EQ(JsonField(run.OutLines().back(), "backedUp"), "2") << run.out;
  EXPECT_TRUE(Contains(run.OutLines().back(), "\"failed\":[]")) << run.out;

  // A database that appears between runs is in the next.
  const std::string salesBackup = JsonField(results[1], "file");
  ASSERT_TRUE(Contains(salesBackup, "Sales_")) << results[1];
  CliResult restored = Run({"restore", "--database", "Added", "--from", salesBackup, "--net-server",
                            "127.0.0.1", "--net-user", Env("HARROWLANDER_SMB_USER")});
  ASSERT_EQ(restored.exitCode, 0) << restored.err;
  const int sharesBefore = SharesMade();

  run = BackUpAll({"--keep", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(SharesMade(), sharesBefore + 1);
  EXPECT_EQ(LinesOfType(run, "backup").size(), 3u) << run.out;
  EXPECT_EQ(LinesOfType(run, "deleted").size(), 0u) << run.out;

  run = BackUpAll({"--keep", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(SharesMade(), sharesBefore + 2);
  // The first run's backups of Sales and Inventory go, each with its sidecar.
  const std::vector<std::string> deleted = LinesOfType(run, "deleted");
  ASSERT_EQ(deleted.size(), 2u) << run.out;
  for (const std::string& line : deleted) {
    EXPECT_EQ(JsonField(line, "sidecar"), "true") << line;
    EXPECT_FALSE(fs::exists(JsonField(line, "file"))) << line;
  }

  EXPECT_EQ(BackupsOf("Sales").size(), 4u);  // two files, two sidecars
  EXPECT_EQ(BackupsOf("Inventory").size(), 4u);
  EXPECT_EQ(BackupsOf("Added").size(), 4u);
  Names expected = others;
  for (const std::string database : {"Sales", "Inventory", "Added"}) {
    for (const std::string& name : BackupsOf(database)) {
      expected.insert(name);
    }
  }
  EXPECT_EQ(FilesInFolder(), expected);
  for (const std::string& name : others) {
    EXPECT_EQ(ReadFile(Folder() / name), "keep me") << name;
  }
  // Nothing of the transfer stays on the server.
  EXPECT_FALSE(fs::exists(server->StateDir() / "c" / "BKSQLData$"));
}

class CliWholeServerOneFails : public CliWholeServer {
 protected:
  void SetUp() override {
    m_extraServerArguments = {"--fail", R"(3013,backup database \[Inventory\])"};
    CliWholeServer::SetUp();
  }
};

TEST_F(CliWholeServerOneFails, TheOthersAreBackedUpAndTheFailedOnesOldBackupsStay) {
  Put("Inventory_20200101_000000.bak", "older inventory");
  Put("Inventory_20200101_000000.bak.sha256", "its hash");
  Put("Sales_20200101_000000.bak", "older sales");
  Put("Sales_20200101_000000.bak.sha256", "its hash");

  // A dry run says what would go and deletes nothing.
  CliResult run = BackUpAll({"--keep", "1", "--dry-run"});
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  std::vector<std::string> deleted = LinesOfType(run, "deleted");
  ASSERT_EQ(deleted.size(), 1u) << run.out;
  EXPECT_EQ(JsonField(deleted[0], "dryRun"), "true");
  EXPECT_TRUE(Contains(JsonField(deleted[0], "file"), "Sales_20200101_000000.bak"));
  EXPECT_EQ(ReadFile(Folder() / "Sales_20200101_000000.bak"), "older sales");
  EXPECT_EQ(BackupsOf("Sales").size(), 4u);

  run = BackUpAll({"--keep", "1"});
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  const std::vector<std::string> results = LinesOfType(run, "backup");
  ASSERT_EQ(results.size(), 2u) << run.out;
  EXPECT_EQ(JsonField(results[0], "database"), "Inventory");
  EXPECT_EQ(JsonField(results[0], "ok"), "false");
  EXPECT_FALSE(JsonField(results[0], "failure").empty()) << results[0];
  EXPECT_EQ(JsonField(results[1], "database"), "Sales");
  EXPECT_EQ(JsonField(results[1], "ok"), "true");
  EXPECT_TRUE(Contains(run.OutLines().back(), "\"failed\":[\"Inventory\"]")) << run.out;
  EXPECT_TRUE(Contains(run.out, "not backed up: Inventory")) << run.out;

  // Sales: its new backup only. Inventory: the older one, untouched, and nothing new.
  EXPECT_EQ(BackupsOf("Sales").size(), 2u);
  EXPECT_FALSE(fs::exists(Folder() / "Sales_20200101_000000.bak"));
  EXPECT_EQ(BackupsOf("Inventory"),
            (Names{"Inventory_20200101_000000.bak", "Inventory_20200101_000000.bak.sha256"}));
  EXPECT_EQ(ReadFile(Folder() / "Inventory_20200101_000000.bak"), "older inventory");
  EXPECT_EQ(SharesMade(), 2);
  EXPECT_FALSE(fs::exists(server->StateDir() / "c" / "BKSQLData$"));

  // The text form names the failure too, and --exclude leaves it out.
  run = BackUpAll({"--exclude", "inv%"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(LinesOfType(run, "backup").size(), 1u) << run.out;
}

class CliWholeServerStopped : public CliWholeServer {
 protected:
  void SetUp() override {
    // Sales, the second database, is held in its backup statement until cancelled.
    m_extraServerArguments = {"--delay", R"(60000,backup database \[Sales\])"};
    CliWholeServer::SetUp();
  }
  int Sent(const std::string& part) const {
    const std::vector<std::string> batches = Batches();
    return static_cast<int>(std::count_if(batches.begin(), batches.end(),
                                          [&part](const auto& b) { return Contains(b, part); }));
  }
};

// A signal during the second database stops that one: the first stays backed up (and
// its retention done), the second's older backup stays, the transfer is taken down once,
// and the next run goes through.
TEST_F(CliWholeServerStopped, ASignalStopsTheDatabaseBeingBackedUpAndCleansUpOnce) {
  Put("Inventory_20200101_000000.bak", "older inventory");
  Put("Sales_20200101_000000.bak", "older sales");
  std::vector<std::string> args = {"backup",       "--all-databases",
                                   "--to-dir",     Folder().string(),
                                   "--net-server", "127.0.0.1",
                                   "--net-user",   Env("HARROWLANDER_SMB_USER"),
                                   "--keep",       "1",
                                   "--json"};
  CliProcess run(Command(args), environment, "", Work());
  for (int i = 0; i < 500 && Sent("backup database [Sales]") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(Sent("backup database [Sales]"), 1);
  ::kill(run.Pid(), SIGTERM);
  const CliResult stopped = run.Wait();
  EXPECT_EQ(stopped.exitCode, 143) << stopped.out;
  EXPECT_EQ(JsonField(stopped.OutLines().back(), "outcome"), "stopped") << stopped.out;

  EXPECT_EQ(BackupsOf("Inventory").size(), 2u);  // the new one and its sidecar
  EXPECT_FALSE(fs::exists(Folder() / "Inventory_20200101_000000.bak"));
  EXPECT_EQ(BackupsOf("Sales"), Names{"Sales_20200101_000000.bak"});
  EXPECT_EQ(Sent("net share BKSQLData$="), 1);
  EXPECT_EQ(Sent("net share BKSQLData$ /del"), 1);
  EXPECT_FALSE(fs::exists(server->StateDir() / "c" / "BKSQLData$"));

  // The next run finds nothing in its way (Sales is still held: it is left out).
  const CliResult next = BackUpAll({"--exclude", "sales"});
  EXPECT_EQ(next.exitCode, 0) << next.out << next.err;
  EXPECT_EQ(BackupsOf("Inventory").size(), 4u);
}

class CliCompression : public CliTest {
 protected:
  std::vector<std::string> ServerArguments() override { return m_product; }
  void SetUp() override {}
  void Start(std::vector<std::string> product) {
    m_product = std::move(product);
    CliTest::SetUp();
  }
  // A backup on the same machine, outside the chain (the statement testserver takes).
  CliResult Backup(const std::string& file, bool compress) {
    std::vector<std::string> args = {"backup", "--database",     "Sales",  "--to",
                                     file,     "--same-machine", "--chain"};
    if (compress) {
      args.push_back("--compress");
    }
    return Run(args);
  }
  std::vector<std::string> m_product;
};

TEST_F(CliCompression, ANewerServerCompressesAndAnOlderOneSaysItCannot) {
  Start({"--product", "2019"});
  ASSERT_EQ(Backup("plain.bak", false).exitCode, 0);
  CliResult run = Backup("packed.bak", true);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Sent("backup database [Sales] to disk='" + (Work() / "packed.bak").string() +
                   ".partial' with init, stats = 1, checksum, compression"));
  EXPECT_LT(fs::file_size(Work() / "packed.bak") * 4, fs::file_size(Work() / "plain.bak"));
  // The compressed file is a backup like any other.
  run = Run({"restore", "--database", "Unpacked", "--from", "packed.bak", "--same-machine"});
  EXPECT_EQ(run.exitCode, 0) << run.err;

  server.reset();
  Start({"--tds-version", "7.1"});
  run = Backup("older.bak", true);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "不支持备份压缩(版本8.00.2039")) << run.err;
  EXPECT_TRUE(Sent("backup database [Sales] to disk='" + (Work() / "older.bak").string() +
                   ".partial' with init, stats = 1"));
}

}  // namespace
}  // namespace harrowlander::testing
