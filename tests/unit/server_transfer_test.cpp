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

// A failure while logged on (nothing the operations do raises there, but the flags are
// what counts): log-off first, then share, files, marker and folder, then the lock.
TEST_F(ServerTransferTest, CleanUpAfterAFailureGoesInReverseOrder) {
  sql::SqlObjects objects;
  objects.connection = fake.sql.CreateConnection();
  transfer.bFolderMade = transfer.bShareMade = transfer.bLoggedOn = transfer.bMarkerMade =
      transfer.bLockHeld = true;
  transfer.MarkFileMade(transfer.ServerFilePath("Sales"));
  transfer.MarkFileMade(R"(c:\BKSQLData$\.Sales.bak.41-0.part)");
  journal.clear();
  EndWithoutFinish(objects);
  EXPECT_EQ(
      journal,
      (std::vector<std::string>{
          R"(net use delete \\DBHOST\BKSQLData$)",
          R"(execute xp_cmdshell 'net share BKSQLData$ /del')", "release result",
          R"(execute xp_cmdshell 'del "c:\BKSQLData$\Sales.bak" /q')", "release result",
          R"(execute xp_cmdshell 'del "c:\BKSQLData$\.Sales.bak.41-0.part" /q')", "release result",
          R"(execute xp_cmdshell 'del "c:\BKSQLData$\Harrowlander.transfer" /q')", "release result",
          R"(execute xp_cmdshell 'rmdir c:\BKSQLData$')", "release result",
          "execute exec sp_releaseapplock @Resource='BKSQLData$',@LockOwner='Session'",
          "release result"}));
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
