// harrowlander-cli backing up and restoring through the server's transfer share: testserver
// publishes it through the private smbd of tests/smb/with_smbd.sh.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli_fixture.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;

class CliRemote : public CliTest {
 protected:
  std::vector<std::string> ServerArguments() override {
    return {"--samba-conf", Env("HARROWLANDER_SMB_CONF")};
  }

  void SetUp() override {
    if (Env("HARROWLANDER_SMB_CONF").empty()) {
      GTEST_SKIP() << "needs the smbd of tests/smb/with_smbd.sh";
    }
    CliTest::SetUp();
    environment["HARROWLANDER_NET_PASSWORD"] = Env("HARROWLANDER_SMB_PASSWORD");
  }

  std::vector<std::string> Remote(std::vector<std::string> args,
                                  const std::string& user = Env("HARROWLANDER_SMB_USER")) {
    args.insert(args.end(), {"--net-server", "127.0.0.1"});
    if (!user.empty()) {
      args.insert(args.end(), {"--net-user", user});
    }
    return args;
  }
};

TEST_F(CliRemote, BackupAndRestoreThroughTheShareWithProgress) {
  CliResult run = Run(Remote({"backup", "--database", "Sales", "--to", "remote.bak"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "\ncopied 100% ")) << run.err;
  EXPECT_TRUE(Contains(run.err, "已经备份完成.")) << run.err;
  const fs::path file = Work() / "remote.bak";
  ASSERT_TRUE(fs::exists(file));

  run = Run(Remote({"backup", "--database", "Sales", "--to", "again.bak", "--json"}));
  ASSERT_EQ(run.exitCode, 0) << run.out;
  bool progressed = false;
  for (const std::string& line : run.OutLines()) {
    progressed = progressed ||
                 (JsonField(line, "type") == "progress" && JsonField(line, "percent") == "100" &&
                  JsonField(line, "copied") == JsonField(line, "total"));
  }
  EXPECT_TRUE(progressed) << run.out;
  EXPECT_EQ(JsonField(run.OutLines().back(), "bytes"),
            std::to_string(fs::file_size(Work() / "again.bak")));

  // A terminal gets the bar, redrawn in place.
  CliProcess onATerminal(Command(Remote({"backup", "--database", "Sales", "--to", "bar.bak"})),
                         environment, "", Work(), Streams::kTerminal);
  run = onATerminal.Wait();
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, "\r[" + std::string(24, '#') + "] 100% ")) << run.out;

  run = Run(Remote({"restore", "--database", "SalesRemote", "--from", file.string()}));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "还原数据库[SalesRemote]完成")) << run.err;
}

// The dialog's operations run to their end when the copy is refused; the command line
// still fails, and an older file at the destination does not pass for the backup.
TEST_F(CliRemote, ATransferThatFailsFailsTheCommand) {
  const fs::path older = Work() / "older.bak";
  std::ofstream(older) << "an older backup";

  CliResult run = Run(Remote({"backup", "--database", "Sales", "--to", older.string()}),
                      {{"HARROWLANDER_NET_PASSWORD", "not the password"}});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "登陆远程服务器[127.0.0.1]失败!")) << run.err;

  run = Run(Remote({"backup", "--database", "Sales", "--to", older.string()}, ""));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "备份失败.")) << run.err;
  EXPECT_EQ(ReadFile(older), "an older backup");

  run = Run(Remote({"restore", "--database", "Other", "--from", older.string()}, ""));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "还原失败")) << run.err;
}

class CliRemoteDamagedOnTheServer : public CliRemote {
 protected:
  std::vector<std::string> ServerArguments() override {
    std::vector<std::string> args = CliRemote::ServerArguments();
    args.insert(args.end(), {"--replace-after", R"(backup database,C:\BKSQLData$\Sales.bak)"});
    return args;
  }
};

// A backup file that is no longer what the server wrote is never copied: the server's
// read-back refuses it, the older local file and its hash stay, nothing stays on the
// server.
TEST_F(CliRemoteDamagedOnTheServer, TheReadBackFailsTheRunBeforeTheCopy) {
  const fs::path older = Work() / "older.bak";
  std::ofstream(older) << "an older backup";
  std::ofstream(Work() / "older.bak.sha256") << "its hash";
  const CliResult run = Run(Remote({"backup", "--database", "Sales", "--to", older.string()}));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_TRUE(Contains(run.err, "服务器校验备份失败:")) << run.err;
  EXPECT_FALSE(Contains(run.err, "复制到本机")) << run.err;
  EXPECT_EQ(ReadFile(older), "an older backup");
  EXPECT_EQ(ReadFile(Work() / "older.bak.sha256"), "its hash");
  EXPECT_FALSE(fs::exists(server->StateDir() / "c" / "BKSQLData$"));
}

}  // namespace
}  // namespace harrowlander::testing
