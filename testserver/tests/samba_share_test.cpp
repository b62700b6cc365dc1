// "net share" through xp_cmdshell publishes the folder through a real smbd, the
// way the tool's workstation side reaches the backup file.
#include <gtest/gtest.h>

#include "odbc_client.h"
#include "samba_fixture.h"
#include "server_process.h"

TEST(SambaShare, NetShareMakesTheBackupReachableAndDelWithdrawsIt) {
  if (!SambaFixture::Available()) {
    GTEST_SKIP() << "smbd, net or smbclient missing, or not root";
  }
  SambaFixture samba;
  ASSERT_TRUE(samba.Running());
  ServerProcess server({"--seed", "--samba-conf", samba.ConfFile()});
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  client.Execute("xp_cmdshell 'mkdir c:\\BKSQLData$ '");
  client.Execute("backup database [pubs] to disk='c:\\BKSQLData$\\pubs.bak' with init");
  auto share = client.Execute("xp_cmdshell 'net share BKSQLData$=c:\\BKSQLData$'");
  ASSERT_EQ(FirstColumn(share).at(0), "BKSQLData$ was shared successfully.") << share.Messages();

  std::string listing = samba.Client("BKSQLData$", "ls");
  EXPECT_NE(listing.find("pubs.bak"), std::string::npos) << listing;
  // The workstation deletes the transfer file through the share.
  samba.Client("BKSQLData$", "del pubs.bak");
  EXPECT_FALSE(std::filesystem::exists(server.StateDir() / "c" / "BKSQLData$" / "pubs.bak"));

  client.Execute("xp_cmdshell 'net share BKSQLData$ /del'");
  std::string gone = samba.Client("BKSQLData$", "ls");
  EXPECT_NE(gone.find("NT_STATUS_BAD_NETWORK_NAME"), std::string::npos) << gone;
}
