// A delayed BACKUP or RESTORE WITH STATS: its progress messages reach the client one at
// a time before the statement runs, and a cancel meanwhile leaves everything untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "odbc_client.h"
#include "server_process.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ProgressSeen(const Outcome& outcome) {
  std::vector<std::string> seen;
  for (const auto& d : outcome.diagnostics) {
    if (d.native == 3211) {
      seen.push_back(d.message.substr(d.message.rfind(']') + 1));
    }
  }
  return seen;
}

struct Progress : ::testing::Test {
  ScratchDir scratch;
  ServerProcess server{
      {"--seed", "--delay", "2500,stats", "--log", (scratch.Path() / "log.jsonl").string()}};
  OdbcClient client;
  void SetUp() override {
    ASSERT_TRUE(server.Ready());
    ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  }
  fs::path Backup(const std::string& name) { return server.StateDir() / "c" / name; }
};

}  // namespace

TEST_F(Progress, EachMessageArrivesOnItsOwnBeforeTheBackupRuns) {
  // After each call: how many messages had come, and whether the file was there yet.
  std::vector<std::pair<size_t, bool>> calls;
  auto out =
      client.Execute("backup database [Sales] to disk='C:\\p.bak' with init, stats = 25", 0,
                     [&](const Outcome& sofar) {
                       calls.emplace_back(ProgressSeen(sofar).size(), fs::exists(Backup("p.bak")));
                     });
  EXPECT_EQ(ProgressSeen(out),
            (std::vector<std::string>{"25 percent processed.", "50 percent processed.",
                                      "75 percent processed.", "100 percent processed."}))
      << out.Messages();
  EXPECT_TRUE(out.HasNative(3014));
  EXPECT_TRUE(fs::exists(Backup("p.bak")));
  // The client had each of the first messages in hand, alone, while the file was not
  // written yet.
  for (size_t n = 1; n <= 3; ++n) {
    EXPECT_NE(std::find(calls.begin(), calls.end(), std::make_pair(n, false)), calls.end())
        << "no call returned with exactly " << n << " messages before the backup ran";
  }

  client.Execute("xp_cmdshell 'mkdir D:\\Data'");
  auto restore = client.Execute(
      "restore database [Copy] from disk='C:\\p.bak' with move 'Sales_Data' to "
      "'D:\\Data\\Copy.Mdf', move 'Sales_Log' to 'D:\\Data\\Copy.Ldf', stats");
  EXPECT_EQ(ProgressSeen(restore).size(), 10u) << restore.Messages();
  EXPECT_TRUE(restore.HasNative(3014));
}

TEST_F(Progress, ACancelDuringTheProgressRunsNothing) {
  std::atomic<bool> started{false};
  std::thread canceller([&] {
    while (!started) {
      std::this_thread::yield();
    }
    // FreeTDS cancels safely only while the other thread waits inside a call, as it
    // soon does for the next message, which is a quarter of a second away.
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    client.Cancel();
  });
  auto out = client.Execute("backup database [Sales] to disk='C:\\c.bak' with stats = 10", 0,
                            [&](const Outcome& sofar) {
                              if (!ProgressSeen(sofar).empty()) {
                                started = true;
                              }
                            });
  canceller.join();
  EXPECT_LT(ProgressSeen(out).size(), 10u) << out.Messages();
  EXPECT_FALSE(out.HasNative(3014)) << out.Messages();
  EXPECT_FALSE(fs::exists(Backup("c.bak")));
  EXPECT_FALSE(client.Dead());
  EXPECT_EQ(FirstColumn(client.Execute("select 4")), std::vector<std::string>{"4"});
  std::ifstream log(scratch.Path() / "log.jsonl");
  std::string all((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(all.find("c.bak' with stats = 10"), std::string::npos);
}
