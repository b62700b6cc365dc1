#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "transfer/server_transfer.h"
#include "transfer/transfer_session.h"

namespace harrowlander {
namespace {

class ServerTransferTest : public ::testing::Test {
 protected:
  // The clean-up a session does when it ends without Finish (a failure or a stop).
  void EndWithoutFinish(sql::SqlObjects& objects) {
    TransferSession session(transfer, objects, fake.ports, stop, {}, "DBHOST",
                            [this](const std::string& text) { journal.push_back(text); });
  }

  testing::FakePlatform fake;
  ServerTransfer transfer;
  StopRequest stop;
  std::vector<std::string>& journal = fake.window.events;
};

TEST_F(ServerTransferTest, AnEmptyPasswordIsTriedAsSuch) {
  fake.network.accounts = {{R"(CORP\backup)", ""}};
  EXPECT_TRUE(transfer.OpenShareSession(fake.network, "DBHOST", R"(CORP\backup)", ""));
  EXPECT_EQ(journal.back(), R"(net use add \\DBHOST\BKSQLData$ CORP\backup )");
  EXPECT_TRUE(transfer.bLoggedOn);
}

// An error while logged on (nothing the operations do raises there, but the flags are
// what counts): log-off first, then share, then folder; failures of the clean-up stay
// inside.
TEST_F(ServerTransferTest, CleanUpAfterErrorGoesInReverseOrderAndSwallowsFailures) {
  sql::SqlObjects objects;
  objects.connection = fake.sql.CreateConnection();
  transfer.bFolderMade = transfer.bShareMade = transfer.bLoggedOn = true;
  transfer.MarkFileMade(transfer.ServerFilePath("Sales"));
  fake.server.failures = {{"execute xp_cmdshell 'net share", "connection lost"}};
  journal.clear();
  EndWithoutFinish(objects);
  EXPECT_EQ(journal,
            (std::vector<std::string>{
                R"(net use delete \\DBHOST\BKSQLData$)",
                R"(execute xp_cmdshell 'net share BKSQLData$ /del')",
                R"(execute xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')", "release result",
                R"(execute xp_cmdshell 'rmdir c:\BKSQLData$')", "release result"}));
}

TEST_F(ServerTransferTest, WithoutAnyConnectionNothingIsSent) {
  sql::SqlObjects objects;
  transfer.bFolderMade = transfer.bShareMade = true;
  fake.server.connectionCreationFails = true;
  EndWithoutFinish(objects);
  EXPECT_EQ(journal, std::vector<std::string>{"create connection"});
}

}  // namespace
}  // namespace harrowlander
