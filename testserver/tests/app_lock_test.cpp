// The server-side lock a transfer holds: sp_getapplock and sp_releaseapplock as the tool
// sends them, between sessions, and freed however the holder's connection ends.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "odbc_client.h"
#include "server_process.h"

using Names = std::vector<std::string>;

namespace {

std::string Take(const std::string& resource = "BKSQLData$", int timeoutMs = 0) {
  return "declare @result int exec @result=sp_getapplock @Resource='" + resource +
         "',@LockMode='Exclusive',@LockOwner='Session',@LockTimeout=" + std::to_string(timeoutMs) +
         " select @result as result";
}
const std::string kRelease = "exec sp_releaseapplock @Resource='BKSQLData$',@LockOwner='Session'";

struct AppLock : ::testing::Test {
  ScratchDir scratch;
  ServerProcess server{{"--seed", "--log", (scratch.Path() / "log.jsonl").string()}};
  OdbcClient holder, other;
  void SetUp() override {
    ASSERT_TRUE(server.Ready());
    ASSERT_TRUE(holder.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
    ASSERT_TRUE(other.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  }
  bool Logged(const std::string& text) {
    std::ifstream in(scratch.Path() / "log.jsonl");
    std::string all((std::istreambuf_iterator<char>(in)), {});
    return all.find(text) != std::string::npos;
  }
};

// What the lock answers `client` at once: "0" granted, "-1" held elsewhere.
std::string Result(OdbcClient& client, const std::string& batch = Take()) {
  auto out = client.Execute(batch);
  EXPECT_EQ(out.results.size(), 1u) << out.Messages();
  if (out.results.empty()) {
    return "none";
  }
  EXPECT_EQ(out.results[0].columns, Names{"result"});
  return FirstColumn(out).at(0);
}

}  // namespace

TEST_F(AppLock, GrantedOnceRefusedElsewhereCountedAndReleasedAsOftenAsTaken) {
  EXPECT_EQ(Result(holder), "0");
  EXPECT_EQ(Result(other), "-1");
  EXPECT_EQ(Result(holder), "0");  // again: a second count
  EXPECT_FALSE(holder.Execute(kRelease).Failed());
  EXPECT_EQ(Result(other), "-1");
  EXPECT_FALSE(holder.Execute(kRelease).Failed());
  EXPECT_EQ(Result(other), "0");

  auto notHeld = holder.Execute(kRelease);
  EXPECT_TRUE(notHeld.Failed());
  ASSERT_FALSE(notHeld.diagnostics.empty());
  EXPECT_EQ(notHeld.diagnostics[0].native, 1223);
  EXPECT_NE(notHeld.diagnostics[0].message.find(
                "Cannot release the application lock (Principal: 'public', Resource: "
                "'BKSQLData$') because it is not currently held."),
            std::string::npos)
      << notHeld.Messages();

  // Names compare byte for byte, and each database has locks of its own.
  EXPECT_EQ(Result(holder, Take("bksqldata$")), "0");
  OdbcClient inSales;
  ASSERT_TRUE(inSales.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "Sales"));
  EXPECT_EQ(Result(inSales), "0");
  // A lock owned by a transaction needs one, which this server never has.
  auto owned = holder.Execute(
      "declare @r int exec @r=sp_getapplock @Resource='T',@LockMode='Exclusive' select @r");
  EXPECT_EQ(FirstColumn(owned), Names{"-999"});
  EXPECT_TRUE(owned.HasNative(15626)) << owned.Messages();
}

TEST_F(AppLock, AWaitIsGrantedWhenTheHolderLeavesAndEndsWithACancel) {
  auto leaving = std::make_unique<OdbcClient>();
  ASSERT_TRUE(leaving->Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  EXPECT_EQ(Result(*leaving), "0");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Result(other, Take("BKSQLData$", 300)), "-1");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

  // The query timeout cancels the endless wait; the session goes on, the lock stays.
  auto cancelled = other.Execute(Take("BKSQLData$", -1), 1);
  EXPECT_TRUE(cancelled.Failed());
  EXPECT_FALSE(other.Dead());
  EXPECT_EQ(Result(other), "-1");

  std::string waited;
  std::thread waiter([&] { waited = Result(other, Take("BKSQLData$", 60000) + " -- waiter"); });
  while (!Logged("-- waiter")) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(waited.empty());
  leaving.reset();
  waiter.join();
  EXPECT_EQ(waited, "1");
}

TEST_F(AppLock, AKilledHolderFreesTheLock) {
  int input[2];
  ASSERT_EQ(::pipe(input), 0);
  pid_t tsql = ::fork();
  if (tsql == 0) {
    ::dup2(input[0], 0);
    ::close(input[1]);
    int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, 1);
    ::dup2(quiet, 2);
    ::execlp("tsql", "tsql", "-H", "127.0.0.1", "-p", std::to_string(server.Port()).c_str(), "-U",
             "sa", "-P", ServerProcess::kSaPassword, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(input[0]);
  std::string batch = Take() + "\ngo\n";
  ASSERT_EQ(::write(input[1], batch.data(), batch.size()), static_cast<ssize_t>(batch.size()));
  // tsql keeps its connection while its input stays open.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Result(other) == "0") {
    other.Execute(kRelease);
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(tsql, SIGKILL);
  ::waitpid(tsql, nullptr, 0);
  ::close(input[1]);
  std::string after = Result(other, Take("BKSQLData$", 20000));
  EXPECT_TRUE(after == "0" || after == "1") << after;
}
