// Faults on the server's side of Restore and Backup, and of the archiver.
#include <chrono>

#include "fault_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;

// The status a run with --json ended with, as its result line reports it.
std::string FinalStatus(const CliResult& run) {
  const auto lines = run.OutLines();
  return lines.empty() ? "" : JsonField(lines.back(), "status");
}

class ServerFaults : public FaultTest {
 protected:
  // A good backup of Sales on the workstation, made in same-machine mode.
  fs::path SalesBackup() {
    const fs::path file = Work() / "sales-good.bak";
    const CliResult run =
        Run({"backup", "--database", "Sales", "--to", file.string(), "--same-machine"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return file;
  }

  bool Listed(const std::string& database) {
    const CliResult run = Run({"list-databases", "--all"});
    const auto lines = run.OutLines();
    return std::find(lines.begin(), lines.end(), database) != lines.end();
  }

  // Nothing reached the server that deletes, drops or restores.
  void ExpectNothingDestroyed() {
    EXPECT_FALSE(SentAnyContaining("del "));
    EXPECT_FALSE(SentAnyContaining("drop database"));
    EXPECT_FALSE(SentAnyContaining("RESTORE DATABASE"));
  }
};

TEST_F(ServerFaults, RestoresThatWouldDestroyWhatIsNotTheirsStopBeforeAnything) {
  Start({"--seed-archive"});
  const fs::path backup = SalesBackup();

  // A wildcard would make the shell's del take other databases' files.
  CliResult run =
      Run({"restore", "--database", "Sales*", "--from", backup.string(), "--same-machine"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "无法安全地交给命令行")) << run.err;

  // Archive_Data.MDF is the Archive database's data file.
  run = Run({"restore", "--database", "Archive_Data", "--from", backup.string(), "--same-machine",
             "--drop-first"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "属于数据库[Archive]")) << run.err;
  ExpectNothingDestroyed();
  EXPECT_TRUE(fs::exists(
      ServerFile("C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\Archive_Data.MDF")));
}

TEST_F(ServerFaults, ACutBackupNeverCostsTheOldDatabase) {
  Start({});
  const fs::path backup = SalesBackup();
  fs::resize_file(backup, fs::file_size(backup) / 2);

  const CliResult run = Run({"restore", "--database", "Sales", "--from", backup.string(),
                             "--same-machine", "--drop-first"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(SentAnyContaining("RESTORE VERIFYONLY FROM DISK="));
  ExpectNothingDestroyed();
  EXPECT_TRUE(Listed("Sales"));
}

// The server stops answering in the middle of the backup statement: the command
// timeout ends the run, and the transfer folder it made is taken down.
TEST_F(ServerFaults, AServerThatStopsAnsweringEndsTheRunAndItsFolderGoes) {
  Start({"--freeze", "backup database"});
  const auto start = std::chrono::steady_clock::now();
  const CliResult run =
      Run({"backup", "--database", "Sales", "--to", (Work() / "frozen.bak").string(),
           "--net-server", "127.0.0.1", "--command-timeout", "5"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_TRUE(Sent("xp_cmdshell 'rmdir c:\\BKSQLData$'")) << run.err;
  EXPECT_FALSE(fs::exists(ServerFile("C:\\BKSQLData$")));
  EXPECT_FALSE(fs::exists(Work() / "frozen.bak"));
}

// An archiver killed while it runs (out of memory, a user's kill): the backup stays.
// And a second local user who reads the archiver's command line meanwhile finds no
// password there.
TEST_F(ServerFaults, TheArchiverNeitherLosesTheBackupNorShowsThePassword) {
  Start({});
  const fs::path killed = Work() / "killed-archiver.sh";
  std::ofstream(killed) << "#!/bin/sh\nkill -KILL $$\n";
  const fs::path watched = Work() / "watched-archiver.sh";
  // Run as nobody, as another user on the machine would.
  std::ofstream(watched) << "#!/bin/sh\n"
                            "setpriv --reuid=65534 --regid=65534 --clear-groups "
                            "cat /proc/$$/cmdline | tr '\\0' ' ' > \"" +
                                (Work() / "seen").string() +
                                "\"\n"
                                "exec " TEST_ARCHIVER_PATH " \"$@\"\n";
  fs::permissions(killed, fs::perms::owner_all);
  fs::permissions(watched, fs::perms::owner_all);
  const std::map<std::string, std::string> password = {
      {"HARROWLANDER_ARCHIVE_PASSWORD", "pack-secret"}};

  const fs::path first = Work() / "first.bak";
  CliResult run = Run({"backup", "--database", "Sales", "--to", first.string(), "--same-machine",
                       "--pack", "--archiver", killed.string()},
                      password);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_TRUE(Contains(run.err, "压缩失败.")) << run.err;
  EXPECT_GT(fs::file_size(first), 0u);

  const fs::path second = Work() / "second.bak";
  run = Run({"backup", "--database", "Sales", "--to", second.string(), "--same-machine", "--pack",
             "--archiver", watched.string()},
            password);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::string seen = ReadFile(Work() / "seen");
  EXPECT_TRUE(Contains(seen, "second.rar")) << seen;
  EXPECT_FALSE(Contains(seen, "pack-secret")) << seen;
  EXPECT_TRUE(Contains(ReadFile(Work() / "second.rar"), "pack-secret"));
}

// A SQL Server 2019 refuses what the tool asks of a SQL Server 2000: emptying the log
// without a backup, the shell while it is switched off, a share while its service
// account is no administrator. Each refusal stops the run with the server's words as
// its last status, and leaves neither a transfer folder or share on the server nor a
// file beside the older backup the user keeps.
class NewerServer : public ServerFaults {
 protected:
  CliResult BackUpOverAnOlderFile(std::vector<std::string> extra = {}) {
    older = OlderBackup("Sales.bak");
    std::vector<std::string> args = {"backup", "--database",   "Sales",
                                     "--to",   older.string(), "--json"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(Remote(args));
  }

  void ExpectRefusedWithNothingLeft(const CliResult& run, const std::string& serverText) {
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(Contains(FinalStatus(run), serverText)) << run.out;
    EXPECT_EQ(ReadFile(older), kOlderBytes);
    EXPECT_EQ(Names(Destination()), std::vector<std::string>{"Sales.bak"});
    EXPECT_FALSE(fs::exists(ServerFile("C:\\BKSQLData$")));
    EXPECT_FALSE(Contains(ReadFile(server->StateDir() / "shares.txt"), "BKSQLData$"));
  }

  fs::path older;
};

TEST_F(NewerServer, EmptyingTheLogIsRefusedBeforeAnythingIsMadeAndShrinkingWithoutItWorks) {
  Start({"--product", "2019"});
  CliResult run = BackUpOverAnOlderFile({"--shrink"});
  ExpectRefusedWithNothingLeft(
      run, "One or more of the options (no_log) are not supported for this statement.");
  EXPECT_FALSE(SentAnyContaining("mkdir"));
  EXPECT_FALSE(SentAnyContaining("backup database"));

  run = Run({"backup", "--database", "Sales", "--to", (Work() / "kept-log.bak").string(),
             "--same-machine", "--shrink", "--no-truncate-log"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(Work() / "kept-log.bak"));
}

// On the same machine a backup needs no shell; a restore does, to clear its target
// files, and must be stopped by the refusal before it drops the old database.
TEST_F(NewerServer, AShellSwitchedOffStopsTheRunBeforeItChangesAnything) {
  Start({"--product", "2019", "--xp-cmdshell", "off"});
  const char* refusal =
      "SQL Server blocked access to procedure 'sys.xp_cmdshell' of component 'xp_cmdshell'";
  CliResult run = BackUpOverAnOlderFile();
  ExpectRefusedWithNothingLeft(run, refusal);
  EXPECT_FALSE(SentAnyContaining("backup database"));

  const fs::path backup = SalesBackup();
  run = Run({"restore", "--database", "Sales", "--from", backup.string(), "--same-machine",
             "--drop-first", "--json"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(FinalStatus(run), refusal)) << run.out;
  EXPECT_FALSE(SentAnyContaining("drop database"));
  EXPECT_TRUE(Listed("Sales"));
}

TEST_F(NewerServer, AShareRefusedToTheServiceAccountTakesDownTheFolderAndFile) {
  Start({"--product", "2019", "--deny-shell", "net-share"});
  const CliResult run = BackUpOverAnOlderFile();
  ExpectRefusedWithNothingLeft(run, "System error 5 has occurred. Access is denied.");
  EXPECT_TRUE(Sent("xp_cmdshell 'del \"c:\\BKSQLData$\\Sales.bak\" /q'"));
  EXPECT_TRUE(Sent("xp_cmdshell 'rmdir c:\\BKSQLData$'"));
  EXPECT_FALSE(SentAnyContaining("/del"));
}

}  // namespace
}  // namespace harrowlander::testing
