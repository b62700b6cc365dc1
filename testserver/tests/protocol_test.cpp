// The protocol under stress: long batches, cancels, many clients, the statement
// log, the fault switches, tsql and a clean stop.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <thread>

#include "odbc_client.h"
#include "server_process.h"

using Names = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

namespace {
double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string RunTsql(int port, const std::string& password, const std::string& input) {
  ScratchDir scratch;
  std::ofstream(scratch.Path() / "in.sql") << input;
  std::string command = "timeout 20 tsql -H 127.0.0.1 -p " + std::to_string(port) + " -U sa -P '" +
                        password + "' < '" + (scratch.Path() / "in.sql").string() + "' 2>&1";
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
}  // namespace

TEST(Protocol, BatchSplitOverSeveralPacketsArrivesWhole) {
  ServerProcess server;
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  std::string names = "'" + std::string(9000, 'x') + "'";
  auto out = client.Execute("select name from dbo.sysdatabases where name not in (" + names +
                            ",'tempdb') and name like 'm%' order by name");
  EXPECT_EQ(FirstColumn(out), (Names{"master", "model", "msdb"})) << out.Messages();
}

TEST(Protocol, QueryTimeoutCancelsWithAttentionAndTheConnectionLives) {
  ServerProcess server({"--delay", "5000,slow"});
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  auto start = Clock::now();
  auto out = client.Execute("select 1 -- slow", 1);
  EXPECT_LT(SecondsSince(start), 4.0);
  EXPECT_TRUE(out.Failed());
  ASSERT_FALSE(out.diagnostics.empty());
  EXPECT_EQ(out.diagnostics[0].state, "HYT00") << out.Messages();
  EXPECT_FALSE(client.Dead());
  EXPECT_EQ(FirstColumn(client.Execute("select 7")), Names{"7"});
}

TEST(Protocol, AttentionWhileIdleIsAcknowledged) {
  ServerProcess server;
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  auto start = Clock::now();
  // Closing a statement with unread rows makes the client cancel; an unanswered
  // cancel would hang here.
  EXPECT_TRUE(SQL_SUCCEEDED(client.ExecuteAndAbandon("select name from dbo.sysdatabases")));
  EXPECT_LT(SecondsSince(start), 5.0);
  EXPECT_EQ(FirstColumn(client.Execute("select 3")), Names{"3"});
}

TEST(Protocol, ConcurrentClientsEachGetTheirAnswers) {
  ServerProcess server({"--seed"});
  ASSERT_TRUE(server.Ready());
  std::vector<std::thread> threads;
  threads.reserve(8);
  std::atomic<int> good{0};
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      OdbcClient client;
      if (!client.Connect(server.Port(), "sa", ServerProcess::kSaPassword,
                          i % 2 ? "Sales" : "master")) {
        return;
      }
      for (int k = 0; k < 10; ++k) {
        auto out = client.Execute("select " + std::to_string(i * 100 + k));
        if (FirstColumn(out) != Names{std::to_string(i * 100 + k)}) {
          return;
        }
      }
      ++good;
    });
  }
  for (auto& t : threads) {
    t.join();
  }
  EXPECT_EQ(good, 8);
}

TEST(Protocol, StatementLogHoldsEveryBatchAsReceivedInOrder) {
  ScratchDir scratch;
  std::string logFile = (scratch.Path() / "log.jsonl").string();
  ServerProcess server({"--log", logFile});
  ASSERT_TRUE(server.Ready());
  {
    OdbcClient client;
    ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
    client.Execute("select name from dbo.sysdatabases  order by name");
    client.Execute("xp_cmdshell 'del \"C:\\a b\\x.Mdf\"'");
    client.Execute("select N'caf\xc3\xa9'");
  }
  std::ifstream in(logFile);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("\"login\":\"sa\",\"database\":\"master\",\"sql\":\"select name from "
                          "dbo.sysdatabases  order by name\"}"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find(R"("sql":"xp_cmdshell 'del \"C:\\a b\\x.Mdf\"'")"), std::string::npos)
      << lines[1];
  EXPECT_NE(lines[2].find("caf\xc3\xa9"), std::string::npos) << lines[2];
}

TEST(Protocol, FaultSwitches) {
  ServerProcess server({"--fail", "3201,^backup", "--fail-text", "Disk 100% full: '%s'.", "--fail",
                        "50000,shrink", "--drop", "drop me", "--delay", "400,sleepy"});
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  auto failed = client.Execute("BACKUP database [pubs] to disk='c:\\x.bak'");
  EXPECT_TRUE(failed.Failed());
  ASSERT_FALSE(failed.diagnostics.empty());
  EXPECT_EQ(failed.diagnostics[0].native, 3201);
  EXPECT_NE(failed.diagnostics[0].message.find("Disk 100% full: '%s'."), std::string::npos);
  EXPECT_TRUE(client.Execute("DBCC SHRINKDATABASE ([pubs],10)").HasNative(50000));

  auto start = Clock::now();
  EXPECT_EQ(FirstColumn(client.Execute("select 1 -- sleepy")), Names{"1"});
  EXPECT_GE(SecondsSince(start), 0.4);

  auto dropped = client.Execute("select 1 -- drop me");
  EXPECT_TRUE(dropped.Failed());
  EXPECT_TRUE(client.Dead());
}

TEST(Protocol, TsqlLogsInListsRunsCommandsAndIsRefused) {
  ServerProcess server;
  ASSERT_TRUE(server.Ready());
  std::string listed =
      RunTsql(server.Port(), ServerProcess::kSaPassword,
              "select name from dbo.sysdatabases  order by name\ngo\n"
              "xp_cmdshell 'rmdir c:\\nothere'\ngo\nxp_cmdshell 'mkdir c:\\here'\ngo\nquit\n");
  EXPECT_NE(listed.find("Northwind"), std::string::npos) << listed;
  EXPECT_NE(listed.find("The system cannot find the file specified.\nNULL\n"), std::string::npos)
      << listed;
  EXPECT_NE(listed.find("(return status = 1)"), std::string::npos) << listed;
  EXPECT_NE(listed.find("(return status = 0)"), std::string::npos) << listed;
  std::string refused = RunTsql(server.Port(), "wrong", "quit\n");
  EXPECT_NE(refused.find("Login failed for user 'sa'."), std::string::npos) << refused;
}

TEST(Protocol, GarbageFromOneClientLeavesTheOthersServed) {
  ServerProcess server;
  ASSERT_TRUE(server.Ready());
  std::mt19937 rng(5);
  for (int i = 0; i < 40; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(server.Port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    // A header that announces a LOGIN7 or PRELOGIN packet, then random bytes.
    std::vector<uint8_t> bytes(8 + rng() % 200);
    for (auto& b : bytes) {
      b = static_cast<uint8_t>(rng());
    }
    bytes[0] = i % 2 ? 0x10 : 0x12;
    bytes[1] = 0x01;
    bytes[2] = 0;
    bytes[3] = static_cast<uint8_t>(bytes.size());
    EXPECT_GT(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), 0);
    ::close(fd);
  }
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  EXPECT_EQ(FirstColumn(client.Execute("select 5")), Names{"5"});
}

TEST(Protocol, SigtermStopsPromptlyWithClientsConnected) {
  ServerProcess server;
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  auto start = Clock::now();
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_LT(SecondsSince(start), 3.0);
  EXPECT_TRUE(client.Execute("select 1").Failed());
}

TEST(Protocol, AFrozenBatchIsNeverAnsweredWhileOtherClientsAreServed) {
  ScratchDir scratch;
  const auto log = scratch.Path() / "batches.jsonl";
  ServerProcess server({"--freeze", "^backup database", "--seed", "--log", log.string()});
  ASSERT_TRUE(server.Ready());
  OdbcClient timed, frozen, other;
  ASSERT_TRUE(timed.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  ASSERT_TRUE(frozen.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  ASSERT_TRUE(other.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  auto start = Clock::now();
  EXPECT_TRUE(timed.Execute("backup database [Sales] to disk='C:\\timed.bak'", 1).Failed());
  EXPECT_GE(SecondsSince(start), 1.0);

  Outcome stuck;
  std::thread waiting(
      [&] { stuck = frozen.Execute("backup database [Sales] to disk='C:\\f.bak'"); });
  auto received = [&] {
    std::ifstream in(log);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    return all.find("f.bak") != std::string::npos;
  };
  for (start = Clock::now(); !received() && SecondsSince(start) < 10;) {
    std::this_thread::yield();
  }
  EXPECT_EQ(FirstColumn(other.Execute("select 3")), Names{"3"});
  start = Clock::now();
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_LT(SecondsSince(start), 3.0);
  waiting.join();
  EXPECT_TRUE(stuck.Failed());
  EXPECT_FALSE(std::filesystem::exists(server.StateDir() / "c" / "f.bak"));
  EXPECT_FALSE(std::filesystem::exists(server.StateDir() / "c" / "timed.bak"));
}

TEST(Protocol, FilesAreCutOrReplacedOnceAMatchingBatchHasRun) {
  ServerProcess server({"--seed", "--truncate-after", "-- cut,C:\\cut.bak,100", "--replace-after",
                        "-- replace,C:\\swap.bak"});
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  const auto drive = server.StateDir() / "c";
  auto cut = client.Execute("backup database [Sales] to disk='C:\\cut.bak' with init -- cut");
  EXPECT_FALSE(cut.Failed()) << cut.Messages();
  EXPECT_EQ(std::filesystem::file_size(drive / "cut.bak"), 100u);

  client.Execute("backup database [Sales] to disk='C:\\swap.bak' with init");
  auto before = std::filesystem::file_size(drive / "swap.bak");
  client.Execute("select 1 -- replace");
  EXPECT_EQ(std::filesystem::file_size(drive / "swap.bak"), before + 64 * 1024);
  std::ifstream swapped(drive / "swap.bak", std::ios::binary);
  EXPECT_EQ(swapped.get(), static_cast<unsigned char>(~'H'));
}

TEST(Protocol, ABackupThatRunsOutOfDiskLeavesItsFileCutAndFails) {
  ServerProcess server({"--seed", "--fail-partway", "-- full, disk,100"});
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  auto full =
      client.Execute("backup database [Sales] to disk='C:\\full.bak' with init -- full, disk");
  EXPECT_TRUE(full.Failed());
  ASSERT_EQ(full.diagnostics.size(), 2u) << full.Messages();
  EXPECT_EQ(full.diagnostics[0].native, 3202);
  EXPECT_NE(full.diagnostics[0].message.find(
                "Write on 'C:\\full.bak' failed: 112(There is not enough space on the disk.)"),
            std::string::npos)
      << full.Messages();
  EXPECT_EQ(full.diagnostics[1].native, 3013);
  EXPECT_EQ(std::filesystem::file_size(server.StateDir() / "c" / "full.bak"), 100u);
  auto whole = client.Execute("backup database [Sales] to disk='C:\\whole.bak' with init");
  EXPECT_FALSE(whole.Failed()) << whole.Messages();
}
