// A restore whose upload to the server's share is cut off: stopped by a signal, or its
// connections broken with the server out of reach for longer than the copy waits. The
// old database stays, nothing is restored, and the share holds no piece of the upload.
#include <signal.h>

#include <chrono>

#include "fault_fixture.h"
#include "smbd_outage.h"

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RestoreUpload : public RemoteFaultTest {
 protected:
  // A drop-first restore of Sales from `file`, under way once its upload reported
  // progress.
  std::unique_ptr<CliProcess> StartRestore(const fs::path& file) {
    auto run = std::make_unique<CliProcess>(
        Command(Remote({"restore", "--database", "Sales", "--from", file.string(), "--drop-first",
                        "--reconnect-window", "3", "--json"})),
        environment, "", Work());
    if (!run->ReadUntil("\"type\":\"progress\"")) {
      ADD_FAILURE() << "the upload never reported progress";
      return nullptr;
    }
    return run;
  }

  void ExpectNothingRestoredNorDropped() {
    EXPECT_FALSE(SentAnyContaining("RESTORE FILELISTONLY"));
    EXPECT_FALSE(SentAnyContaining("drop database"));
    EXPECT_FALSE(SentAnyContaining("restore database"));
    const CliResult list = Run({"list-databases"});
    const auto names = list.OutLines();
    EXPECT_NE(std::find(names.begin(), names.end(), "Sales"), names.end()) << list.out;
    ExpectNothingLeftOnServer();
  }
};

TEST_F(RestoreUpload, ACutUploadLeavesNoPieceOnTheShareAndTheOldDatabase) {
  SmbdOutage outage;
  ASSERT_TRUE(outage.Known()) << "smbd leads no process group of its own";
  Start({});
  const fs::path good = Work() / "good.bak";
  ASSERT_EQ(
      Run({"backup", "--database", "Sales", "--to", good.string(), "--same-machine"}).exitCode, 0);
  // Long enough to be interfered with; the server never gets to read it.
  const fs::path big = Work() / "big.bak";
  fs::copy_file(good, big);
  fs::resize_file(big, std::uint64_t{1536} << 20);

  {
    SCOPED_TRACE("stopped by SIGTERM: the copy deletes its piece itself");
    auto run = StartRestore(big);
    ASSERT_TRUE(run);
    std::chrono::steady_clock::duration took{};
    const CliResult stopped = SignalAndWait(*run, SIGTERM, "during a restore's upload", took);
    EXPECT_LT(took, 30s);
    EXPECT_EQ(stopped.exitCode, 143) << stopped.out;
    EXPECT_EQ(ResultField(stopped, "outcome"), "stopped") << stopped.out;
    EXPECT_EQ(ResultField(stopped, "status"), "还原已停止.") << stopped.out;
    ExpectNothingRestoredNorDropped();
  }
  {
    SCOPED_TRACE("connections broken for longer than the window: the server deletes the piece");
    auto run = StartRestore(big);
    ASSERT_TRUE(run);
    const pid_t pid = run->Pid();
    const auto broken = std::chrono::steady_clock::now();
    ASSERT_GT(outage.BreakConnections(), 0);
    const CliResult failed = run->Wait();
    const auto took = std::chrono::steady_clock::now() - broken;
    outage.Resume();
    std::printf("[ fail time ] restore's upload cut off: %.2f s from the break to the end\n",
                std::chrono::duration<double>(took).count());
    EXPECT_LT(took, 60s);
    EXPECT_EQ(failed.exitCode, 1) << failed.out;
    EXPECT_EQ(ResultField(failed, "outcome"), "failed") << failed.out;
    EXPECT_TRUE(Contains(ResultField(failed, "status"), "还原失败")) << failed.out;
    EXPECT_TRUE(SentAnyContaining("del \"c:\\BKSQLData$\\.Sales.bak." + std::to_string(pid) + "-"))
        << "the piece the copy could not delete is deleted by the server";
    ExpectNothingRestoredNorDropped();
  }

  const CliResult restored =
      Run(Remote({"restore", "--database", "Sales", "--from", good.string(), "--drop-first"}));
  EXPECT_EQ(restored.exitCode, 0) << restored.err;
  ExpectNothingLeftOnServer();
}

}  // namespace
}  // namespace harrowlander::testing
