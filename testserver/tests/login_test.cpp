// Logins as the played server accepts and refuses them.
#include <gtest/gtest.h>

#include "odbc_client.h"
#include "server_process.h"

namespace {

bool LoginSaid(const OdbcClient& client, long number, const std::string& text) {
  for (const auto& d : client.LoginDiagnostics()) {
    if (d.native == number && d.message.find(text) != std::string::npos) {
      return true;
    }
  }
  return false;
}

std::string All(const OdbcClient& client) {
  std::string out;
  for (const auto& d : client.LoginDiagnostics()) {
    out += d.state + " " + std::to_string(d.native) + " " + d.message + "\n";
  }
  return out;
}

}  // namespace

TEST(Login, WrongPasswordUnknownLoginAndWindowsLoginAreRefused) {
  ServerProcess server({"--login", "bob:pw"});
  ASSERT_TRUE(server.Ready());
  OdbcClient wrongPassword;
  EXPECT_FALSE(wrongPassword.Connect(server.Port(), "sa", "wrong"));
  EXPECT_TRUE(LoginSaid(wrongPassword, 18456, "Login failed for user 'sa'.")) << All(wrongPassword);
  OdbcClient unknown;
  EXPECT_FALSE(unknown.Connect(server.Port(), "nobody", "pw"));
  EXPECT_TRUE(LoginSaid(unknown, 18456, "Login failed for user 'nobody'.")) << All(unknown);
  OdbcClient caseOfPassword;  // the played generation ignores case on a CI server
  EXPECT_TRUE(caseOfPassword.Connect(server.Port(), "BOB", "PW")) << All(caseOfPassword);
  OdbcClient windows;  // a domain name makes FreeTDS log in with NTLM
  EXPECT_FALSE(windows.Connect(server.Port(), "DOM\\bob", "pw"));
  EXPECT_TRUE(LoginSaid(windows, 18452, "Not associated with a trusted SQL Server connection."))
      << All(windows);
}

TEST(Login, UnknownDatabaseGets4060) {
  ServerProcess server;
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  EXPECT_FALSE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword, "NoSuchDb"));
  EXPECT_TRUE(
      LoginSaid(client, 4060, "Cannot open database requested in login 'NoSuchDb'. Login fails."))
      << All(client);
}

TEST(Login, BothLoginsGetIntoTheirDatabase) {
  ServerProcess server({"--login", "bob:pw", "--seed"});
  ASSERT_TRUE(server.Ready());
  OdbcClient sa;
  ASSERT_TRUE(sa.Connect(server.Port(), "SA", ServerProcess::kSaPassword, "sales"));
  // Unqualified sysobjects answers from the login's database.
  auto tables = sa.Execute("select name from sysobjects where xtype='U' order by name");
  EXPECT_EQ(FirstColumn(tables).size(), 5u) << tables.Messages();
  OdbcClient bob;
  ASSERT_TRUE(bob.Connect(server.Port(), "bob", "pw"));
  EXPECT_EQ(FirstColumn(bob.Execute("select 42")), std::vector<std::string>{"42"});
}

TEST(Login, ServerNameWithPortAfterACommaIsTolerated) {
  ServerProcess server;
  ASSERT_TRUE(server.Ready());
  // FreeTDS sends "127.0.0.1\0<port>" as the login's server name for this form.
  OdbcClient client;
  EXPECT_TRUE(client.ConnectWith("DRIVER={FreeTDS};SERVER=127.0.0.1," +
                                 std::to_string(server.Port()) +
                                 ";UID=sa;PWD=" + ServerProcess::kSaPassword + ";TDS_Version=7.4"))
      << All(client);
}

TEST(Login, RefuseLoginsSwitchRefusesEvenSa) {
  ServerProcess server({"--refuse-logins"});
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  EXPECT_FALSE(client.Connect(server.Port(), "sa", ServerProcess::kSaPassword));
  EXPECT_TRUE(LoginSaid(client, 18456, "Login failed for user 'sa'.")) << All(client);
}

TEST(Login, SecondLoginMayReadButNotChangeDatabases) {
  ServerProcess server({"--login", "bob:pw", "--seed"});
  ASSERT_TRUE(server.Ready());
  OdbcClient bob;
  ASSERT_TRUE(bob.Connect(server.Port(), "bob", "pw", "Sales"));
  EXPECT_EQ(FirstColumn(bob.Execute("select name from sysobjects where name like 'SYS_LOG'")),
            std::vector<std::string>{"SYS_LOG"});
  struct Case {
    const char* sql;
    long number;
  } cases[] = {
      {"backup database [Sales] to disk='C:\\s.bak' with init", 262},
      {"backup log [Sales] with no_log", 262},
      {"restore database [X] from disk='C:\\s.bak' with move 'a' to 'C:\\a' ,move 'b' to 'C:\\b'",
       3110},
      {"drop database [Inventory] ", 262},
      {"Drop Table [SYS_LOG]", 3704},
      {"DBCC SHRINKDATABASE ([Sales],10)", 2571},
  };
  for (const Case& c : cases) {
    auto out = bob.Execute(c.sql);
    EXPECT_TRUE(out.Failed()) << c.sql;
    EXPECT_TRUE(out.HasNative(c.number)) << c.sql << "\n" << out.Messages();
  }
}
