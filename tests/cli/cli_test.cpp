// harrowlander-cli as a scheduler runs it: a child process against testserver on
// loopback, judged by its exit status and what it writes.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;

// Nothing listens on port 1 of loopback: a command that got as far as connecting would
// fail with status 1, so a 2 means it was stopped before.
const std::vector<std::string> kNowhere = {"--server", "127.0.0.1,1", "--connect-timeout", "2"};

CliResult RunNowhere(std::vector<std::string> args) {
  args.insert(args.end(), kNowhere.begin(), kNowhere.end());
  return RunCli(args);
}

TEST(CliUsage, MistakesAndDestructiveCommandsWithoutYesStopBeforeTheServer) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::string longPattern(300, 'x');
  const Case cases[] = {
      {{}, "no command given"},
      {{"shrink", "--database", "Sales", "--to", "x.bak"}, "--to is not an option of shrink"},
      {{"backup", "--database", "Sales"}, "--to PATH is required"},
      {{"backup", "--database", "Sales", "--to", "x.bak", "--percent", "5"}, "go with --shrink"},
      {{"delete", "--database", "Sales"}, "refused without --yes"},
      {{"drop-tables", "--database", "Sales", "--pattern", "T%"}, "refused without --yes"},
      {{"drop-tables", "--database", "Sales", "--pattern", "A%,B%", "--yes"}, "without blanks"},
      // The dialog's own checks of what is typed, named after the option.
      {{"shrink", "--database", "Sales", "--percent", "500"}, "--percent: 请输入一个介于 1 和 100"},
      {{"shrink", "--database", "Sales", "--command-timeout", "soon"},
       "--command-timeout: 请输入一个整数"},
      {{"backup", "--database", "Sales", "--to", "x.bak", "--reconnect-window", "-1"},
       "--reconnect-window S: whole seconds"},
      // Cut at the dialog's 255 bytes, a pattern would match tables nobody named.
      {{"drop-tables", "--database", "Sales", "--pattern", longPattern, "--yes"}, "255 bytes"},
  };
  for (const Case& c : cases) {
    const CliResult run = RunNowhere(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.says;
    EXPECT_TRUE(Contains(run.err, c.says)) << run.err;
    EXPECT_EQ(run.out, "") << c.says;
  }

  const CliResult json = RunNowhere({"--json", "delete", "--database", "Sales"});
  EXPECT_EQ(json.exitCode, 2);
  ASSERT_FALSE(json.OutLines().empty());
  const std::string last = json.OutLines().back();
  EXPECT_EQ(JsonField(last, "type"), "result");
  EXPECT_EQ(JsonField(last, "command"), "delete");
  EXPECT_EQ(JsonField(last, "exitCode"), "2");

  const CliResult help = RunCli({"backup", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.out, "--same-machine")) << help.out;
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "harrowlander-cli " HARROWLANDER_VERSION "\n");
}

TEST(CliUsage, APasswordArgumentIsRefusedWithoutRepeatingIt) {
  const std::string secret = "Pw-in-argv-42";
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"list-databases", "--sql-password=" + secret},
           {"list-databases", "--password", secret},
           {"list-databases", "-P", secret},
           {"list-databases", "-P" + secret},
           {"backup", "--database", "Sales", "--to", "x.bak", "--net-password", secret}}) {
    const CliResult run = RunNowhere(args);
    EXPECT_EQ(run.exitCode, 2) << args[1];
    EXPECT_TRUE(Contains(run.err, "never taken as an argument")) << run.err;
    EXPECT_TRUE(Contains(run.err, "HARROWLANDER_")) << run.err;
    EXPECT_FALSE(Contains(run.err + run.out, secret)) << run.err;
  }
}

TEST_F(CliTest, ListsDatabasesWithThePasswordFromEachSource) {
  CliResult run = Run({"list-databases"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "Inventory\nSales\n");
  EXPECT_TRUE(Contains(run.err, "完成查找.")) << run.err;

  run = Run({"list-databases", "--all"});
  EXPECT_TRUE(Contains(run.out, "\nmaster\n")) << run.out;

  run = Run({"list-databases"}, {{"HARROWLANDER_SQL_PASSWORD", "wrong"}});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(Contains(run.err, "Login failed for user 'sa'")) << run.err;

  // A file comes before the environment; "-" is standard input.
  const fs::path file = Work() / "sa.password";
  std::ofstream(file) << ServerProcess::kSaPassword << "\r\nsecond line\n";
  run = Run({"list-databases", "--sql-password-file", file.string()},
            {{"HARROWLANDER_SQL_PASSWORD", "wrong"}});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::map<std::string, std::string> env = environment;
  env.erase("HARROWLANDER_SQL_PASSWORD");
  run = RunCli(Command({"list-databases", "--sql-password-file", "-"}), env,
               std::string(ServerProcess::kSaPassword) + "\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;

  run = Run({"list-databases", "--sql-password-file", (Work() / "missing").string()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(Contains(run.err, "cannot read the password file")) << run.err;
}

TEST_F(CliTest, OnATerminalThePasswordIsAskedWithoutEcho) {
  std::map<std::string, std::string> env = environment;
  env.erase("HARROWLANDER_SQL_PASSWORD");
  CliProcess cli(Command({"list-databases"}), env, "", Work(), Streams::kTerminal);
  ASSERT_TRUE(cli.ReadUntil("SQL Server password of sa: "));
  cli.Send(std::string(ServerProcess::kSaPassword) + "\n");
  const CliResult run = cli.Wait();
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, "Inventory")) << run.out;
  EXPECT_FALSE(Contains(run.out, ServerProcess::kSaPassword)) << run.out;
}

// Backup writes a fresh file unless told to append; the JSON result names the file and
// its size; the file restores under a new name. The window's settings file is neither
// read (a broken one would be reported) nor written.
TEST_F(CliTest, BackupAndRestoreOnTheSameMachineLeaveTheSettingsAlone) {
  const fs::path settings = Home() / ".cache" / "Harrowlander.dat";
  std::ofstream(settings) << "bad";

  CliResult run =
      Run({"backup", "--database", "Sales", "--to", "sales.bak", "--same-machine", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  const fs::path file = Work() / "sales.bak";
  ASSERT_TRUE(fs::exists(file));
  EXPECT_TRUE(
      Sent("backup database [Sales] to disk='" + file.string() + ".partial' with init, stats = 1"));
  for (const std::string& line : run.OutLines()) {
    EXPECT_TRUE(line.starts_with("{\"type\":\"") && line.ends_with("}")) << line;
  }
  const std::string result = run.OutLines().back();
  EXPECT_EQ(JsonField(result, "type"), "result");
  EXPECT_EQ(JsonField(result, "ok"), "true");
  EXPECT_EQ(JsonField(result, "file"), file.string());
  EXPECT_EQ(JsonField(result, "bytes"), std::to_string(fs::file_size(file)));
  EXPECT_TRUE(JsonField(result, "status").starts_with("已经备份完成.")) << result;
  EXPECT_NE(JsonField(result, "seconds"), "");

  run = Run({"backup", "--database", "Sales", "--to", file.string(), "--same-machine", "--append"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Sent("backup database [Sales] to disk='" + file.string() + "' with stats = 1"));

  run = Run({"restore", "--database", "SalesCopy", "--from", "sales.bak", "--same-machine"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "还原数据库[SalesCopy]完成")) << run.err;
  EXPECT_EQ(Run({"list-databases"}).out, "Inventory\nSales\nSalesCopy\n");

  run = Run({"restore", "--database", "Other", "--from", "missing.bak", "--same-machine"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "不能打开或文件不存")) << run.err;

  EXPECT_EQ(ReadFile(settings), "bad");
  EXPECT_EQ(std::distance(fs::directory_iterator(settings.parent_path()), fs::directory_iterator()),
            1);
}

// A destination that cannot take the file is refused before the server hears of the
// backup (it would run the whole backup first, then fail): a missing folder, a folder
// named as the file, and a folder that takes no new file when the file is copied here.
TEST_F(CliTest, ABackupDestinationThatCannotTakeTheFileIsRefusedFirst) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {{"--to", "/nonexistent/dir/x.bak", "--same-machine"},
       "--to /nonexistent/dir/x.bak: the folder '/nonexistent/dir' does not exist"},
      {{"--to", Work().string()}, "this is a folder"},
      {{"--to", "/proc/x.bak", "--net-user", "backup"}, "no file can be made in '/proc'"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"backup", "--database", "Sales"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult run = Run(args, {{"HARROWLANDER_NET_PASSWORD", ""}});
    EXPECT_EQ(run.exitCode, 2) << c.says;
    EXPECT_TRUE(Contains(run.err, c.says)) << run.err;
  }
  EXPECT_TRUE(Batches().empty());
}

TEST_F(CliTest, ShrinkingBeforeABackupKeepsTheLogWhenAsked) {
  CliResult run = Run({"shrink", "--database", "Sales", "--percent", "25", "--no-truncate-log"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Sent("DBCC SHRINKDATABASE ([Sales],25)"));
  EXPECT_FALSE(Sent("backup log [Sales] with no_log"));

  run = Run({"backup", "--database", "Sales", "--to", "s.bak", "--same-machine", "--shrink",
             "--percent", "30", "--no-truncate-log"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto batches = Batches();
  const auto shrink = std::find(batches.begin(), batches.end(), "DBCC SHRINKDATABASE ([Sales],30)");
  ASSERT_NE(shrink, batches.end());
  EXPECT_TRUE(std::find(shrink, batches.end(),
                        "backup database [Sales] to disk='" + (Work() / "s.bak").string() +
                            ".partial' with init, stats = 1") != batches.end());
  EXPECT_FALSE(Sent("backup log [Sales] with no_log"));

  run = Run({"backup", "--database", "Sales", "--to", "t.bak", "--same-machine", "--shrink"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Sent("backup log [Sales] with no_log"));
  EXPECT_TRUE(Sent("DBCC SHRINKDATABASE ([Sales],10)"));
}

TEST_F(CliTest, DeleteAndDropTablesRunWithYesAndFailVisibly) {
  CliResult run = Run({"drop-tables", "--database", "Sales", "--pattern", "SYS_C%", "--pattern",
                       "SYS_L%", "--yes"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "是否删除以下数据表？\nSYS_CONFIG\tSYS_LOG\n-> yes")) << run.err;
  EXPECT_TRUE(Sent("Drop Table [SYS_CONFIG]"));
  EXPECT_TRUE(Sent("Drop Table [SYS_LOG]"));
  EXPECT_FALSE(Sent("Drop Table [SYS_USER]"));

  run = Run({"drop-tables", "--database", "Sales", "--pattern", "NONE%", "--yes"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "根据表名关键字,找不到对应的表")) << run.err;

  run = Run({"delete", "--database", "Sales", "--yes", "--json"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(Sent("drop database [Sales] "));
  EXPECT_EQ(JsonField(run.OutLines().front(), "answer"), "yes");

  run = Run({"delete", "--database", "Nope", "--yes"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "Cannot drop the database 'Nope'")) << run.err;
}

// The stand-in archiver packs; when it fails, or cannot be found, the backup fails.
TEST_F(CliTest, PackingEndsInTheArchiveOrFails) {
  CliResult run = Run({"backup", "--database", "Sales", "--to", "packed.bak", "--same-machine",
                       "--pack", "--archiver", TEST_ARCHIVER_PATH, "--json"},
                      {{"HARROWLANDER_ARCHIVE_PASSWORD", "two words"}});
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_FALSE(fs::exists(Work() / "packed.bak"));
  EXPECT_TRUE(ReadFile(Work() / "packed.rar").starts_with("TESTRAR password=two words\n"));
  EXPECT_EQ(JsonField(run.OutLines().back(), "file"), (Work() / "packed.rar").string());

  run = Run({"backup", "--database", "Sales", "--to", "kept.bak", "--same-machine", "--pack",
             "--archiver", TEST_ARCHIVER_PATH},
            {{"HARROWLANDER_ARCHIVER_EXIT", "3"}});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "压缩失败.")) << run.err;
  EXPECT_TRUE(fs::exists(Work() / "kept.bak"));

  run = Run({"backup", "--database", "Sales", "--to", "lost.bak", "--same-machine", "--pack",
             "--archiver", (Work() / "no-archiver").string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "name it with --archiver")) << run.err;
}

// Asked twice on a terminal, as the dialog has two entries: entries that differ end the
// run before anything reaches the server; equal ones pack with that password.
TEST_F(CliTest, TheArchivePasswordMustMatchItsConfirmation) {
  const auto pack = [this](const std::string& password, const std::string& again) {
    CliProcess run(Command({"backup", "--database", "Sales", "--to", "asked.bak", "--same-machine",
                            "--pack", "--archiver", TEST_ARCHIVER_PATH}),
                   environment, "", Work(), Streams::kTerminal);
    EXPECT_TRUE(run.ReadUntil("Archive password (empty: none): "));
    run.Send(password + "\n");
    EXPECT_TRUE(run.ReadUntil("Again: "));
    run.Send(again + "\n");
    return run.Wait();
  };
  CliResult run = pack("secret", "secreT");
  EXPECT_EQ(run.exitCode, 2) << run.out;
  EXPECT_TRUE(Contains(run.out, "the password and its confirmation differ")) << run.out;
  EXPECT_TRUE(Batches().empty());
  EXPECT_FALSE(fs::exists(Work() / "asked.bak"));

  run = pack("secret", "secret");
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(ReadFile(Work() / "asked.rar").starts_with("TESTRAR password=secret\n"));
}

class CliOnAnUnsteadyServer : public CliTest {
 protected:
  std::vector<std::string> ServerArguments() override {
    return {"--delay",     "1500,sysdatabases",           "--fail", "50000,SHRINKDATABASE",
            "--fail-text", "disk \"D\" full\nretry later"};
  }
};

TEST_F(CliOnAnUnsteadyServer, APasswordNeverShowsInTheProgramsArguments) {
  const fs::path file = Work() / "sa.password";
  std::ofstream(file) << ServerProcess::kSaPassword << "\n";
  std::map<std::string, std::string> env = environment;
  env.erase("HARROWLANDER_SQL_PASSWORD");
  CliProcess cli(Command({"list-databases", "--sql-password-file", file.string()}), env);
  std::string cmdline;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Contains(cmdline, "list-databases") && std::chrono::steady_clock::now() < deadline) {
    cmdline = ReadFile("/proc/" + std::to_string(cli.Pid()) + "/cmdline");
  }
  EXPECT_TRUE(Contains(cmdline, "--sql-password-file")) << cmdline;
  EXPECT_FALSE(Contains(cmdline, ServerProcess::kSaPassword));
  EXPECT_EQ(cli.Wait().exitCode, 0);
}

TEST_F(CliOnAnUnsteadyServer, AServerMessageWithQuotesAndALineBreakStaysOneJsonLine) {
  const CliResult run = Run({"shrink", "--database", "Sales", "--json"});
  EXPECT_EQ(run.exitCode, 1);
  const std::string last = run.OutLines().back();
  EXPECT_EQ(JsonField(last, "exitCode"), "1");
  EXPECT_TRUE(Contains(last, R"("status":"disk \"D\" full\nretry later")")) << last;
}

class CliWithABrowser : public CliTest {
 protected:
  std::vector<std::string> ServerArguments() override {
    return {"--browser", "127.0.0.41:1434", "--server-name", "TESTSRV", "--instance", "PROD"};
  }
};

TEST_F(CliWithABrowser, ListsTheServersThatAnswer) {
  const CliResult run = RunCli({"list-servers", "--address", "127.0.0.41", "--json"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  ASSERT_FALSE(run.OutLines().empty());
  EXPECT_EQ(run.OutLines().front(), R"({"type":"server","name":"TESTSRV\\PROD"})");
}

// A server that takes its time over the backup, reporting each percent on the way.
class CliSlowBackupTest : public CliTest {
 protected:
  std::vector<std::string> ServerArguments() override {
    return {"--delay", "2000,backup database"};
  }
};

// The server's percentages reach the output as they come, in order and before the
// result: as JSON lines, and as lines of text where the output is no terminal. While
// they come, a backup longer than the command timeout is not cut off.
TEST_F(CliSlowBackupTest, TheServersProgressIsReportedAsItComes) {
  CliResult run = Run({"backup", "--database", "Sales", "--to", "sales.bak", "--same-machine",
                       "--command-timeout", "1", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  std::vector<int> percents;
  for (const std::string& line : run.OutLines()) {
    if (JsonField(line, "type") == "progress" && JsonField(line, "step") == "backup") {
      percents.push_back(std::stoi(JsonField(line, "percent")));
    }
  }
  EXPECT_GE(percents.size(), 3u);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(JsonField(run.OutLines().back(), "type"), "result");

  run = Run({"backup", "--database", "Sales", "--to", "sales.bak", "--same-machine"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "backup 50%\n")) << run.err;
  EXPECT_LT(run.err.find("backup 50%"), run.err.find("已经备份完成")) << run.err;
}

}  // namespace
}  // namespace harrowlander::testing
