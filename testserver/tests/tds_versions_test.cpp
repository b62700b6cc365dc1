// The protocol versions and encryption modes the server plays, driven by FreeTDS as the
// tool drives it: a client asking for TDS 7.4 steps down to what the server answers, and
// learns the release played (SQL_DBMS_VER) whatever the dialect.
#include <gtest/gtest.h>

#include "odbc_client.h"
#include "server_process.h"

namespace {

std::string ConnectionString(const ServerProcess& server, const std::string& extra) {
  return "DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=" + std::to_string(server.Port()) +
         ";UID=sa;PWD=" + ServerProcess::kSaPassword + ";ClientCharset=UTF-8;" + extra;
}

std::string Said(const OdbcClient& client) {
  std::string out;
  for (const auto& d : client.LoginDiagnostics()) {
    out += d.state + " " + std::to_string(d.native) + " " + d.message + "\n";
  }
  return out;
}

// Row counts, a message after the rows and an error in a later statement: the tokens
// whose layout changes between 7.1 and 7.2.
void ExpectTokensReadable(OdbcClient& client) {
  auto listed = client.Execute(
      "select name from dbo.sysdatabases where name like 'S%'; DBCC SHRINKDATABASE ([Sales],10); "
      "drop table nosuch");
  EXPECT_EQ(FirstColumn(listed), std::vector<std::string>{"Sales"}) << listed.Messages();
  ASSERT_EQ(listed.results.size(), 2u) << listed.Messages();
  EXPECT_EQ(listed.results[1].columns.front(), "DbId");
  EXPECT_TRUE(listed.HasNative(2528)) << listed.Messages();
  EXPECT_TRUE(listed.HasNative(3701)) << listed.Messages();
  EXPECT_FALSE(client.Dead());
  EXPECT_EQ(FirstColumn(client.Execute("select 42")), std::vector<std::string>{"42"});
}

TEST(TdsVersions, EachVersionAnswersAClientAskingForTheNewestInItsOwnFormats) {
  for (const char* version : {"7.1", "7.2", "7.3", "7.4"}) {
    SCOPED_TRACE(version);
    ServerProcess server({"--seed", "--tds-version", version});
    ASSERT_TRUE(server.Ready());
    OdbcClient client;
    ASSERT_TRUE(client.ConnectWith(ConnectionString(server, "TDS_Version=7.4"))) << Said(client);
    // The dialect changes nothing of the release: a SQL Server 2000 in every one.
    EXPECT_EQ(client.DbmsVersion(), "08.00.2039");
    ExpectTokensReadable(client);
  }
}

TEST(TdsVersions, AnOlderClientIsAnsweredInItsVersionAndLearnsTheProductsRelease) {
  ServerProcess server({"--seed", "--product", "2019"});
  ASSERT_TRUE(server.Ready());
  OdbcClient newest;
  ASSERT_TRUE(newest.ConnectWith(ConnectionString(server, "TDS_Version=7.4"))) << Said(newest);
  EXPECT_EQ(newest.DbmsVersion(), "15.00.2000");
  OdbcClient client;  // sends the shorter LOGIN7 of 7.1 and its batches without ALL_HEADERS
  ASSERT_TRUE(client.ConnectWith(ConnectionString(server, "TDS_Version=7.1"))) << Said(client);
  EXPECT_EQ(client.DbmsVersion(), "15.00.2000");
  ExpectTokensReadable(client);
}

TEST(Encryption, LoginOnlyAndWholeSessionBothServeTheClient) {
  for (const char* mode : {"off", "required"}) {
    SCOPED_TRACE(mode);
    ServerProcess server({"--seed", "--encryption", mode, "--tds-version", "7.1"});
    ASSERT_TRUE(server.Ready());
    OdbcClient client;
    ASSERT_TRUE(client.ConnectWith(ConnectionString(server, "TDS_Version=7.4"))) << Said(client);
    ExpectTokensReadable(client);
  }
}

TEST(Encryption, ARequiringServerLetsNoUnencryptedOrDisagreeingClientIn) {
  ServerProcess server({"--encryption", "required"});
  ASSERT_TRUE(server.Ready());
  OdbcClient plain;  // TDS 7.0 sends its login without a PRELOGIN, so never encrypted
  EXPECT_FALSE(plain.ConnectWith(ConnectionString(server, "TDS_Version=7.0")));

  ServerProcess unusual({"--encryption", "required", "--tls-ciphers", "CAMELLIA128-SHA"});
  ASSERT_TRUE(unusual.Ready());
  OdbcClient disagreeing;  // FreeTDS's TLS library offers no Camellia suite
  EXPECT_FALSE(disagreeing.ConnectWith(ConnectionString(unusual, "TDS_Version=7.4")));
  EXPECT_NE(Said(disagreeing).find("20002"), std::string::npos) << Said(disagreeing);
}

}  // namespace
