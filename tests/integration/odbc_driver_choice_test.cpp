#include <gtest/gtest.h>

#include <algorithm>

#include "platform/odbc/connect_refusal.h"
#include "platform/odbc/installed_drivers.h"
#include "platform/odbc/odbc_connection.h"
#include "platform/odbc/odbc_connection_string.h"
#include "platform/odbc/odbc_driver.h"
#include "platform/odbc/server_drivers.h"
#include "ports/com_error.h"

namespace harrowlander::odbc {
namespace {

constexpr const char* kDriver18 = "ODBC Driver 18 for SQL Server";
constexpr const char* kDriver17 = "ODBC Driver 17 for SQL Server";
constexpr const char* kNativeClient = "SQL Server Native Client 11.0";
constexpr const char* kSqlServer = "SQL Server";
constexpr const char* kFreeTds = "FreeTDS";

std::string Chosen(const std::vector<std::string>& installed) {
  const auto driver = ChooseDriver(installed);
  return driver ? driver->name : "(none)";
}

std::string ConnectionString(const char* driverName, const std::string& oleDb) {
  DataSource target;
  return BuildOdbcConnectionString(oleDb, ChooseDriver({driverName}).value(), target);
}

TEST(OdbcDriverChoice, TheBestInstalledDriverWins) {
  std::vector<std::string> installed = {"PostgreSQL Unicode",
                                        kFreeTds,
                                        kSqlServer,
                                        kNativeClient,
                                        kDriver17,
                                        kDriver18,
                                        "Microsoft Access Driver (*.mdb, *.accdb)"};
  for (const char* expected : {kDriver18, kDriver17, kNativeClient, kSqlServer, kFreeTds}) {
    EXPECT_EQ(Chosen(installed), expected);
    std::erase(installed, expected);
  }
  EXPECT_EQ(Chosen(installed), "(none)");
  EXPECT_EQ(Chosen({}), "(none)");
  // Older and look-alike drivers are not taken for the known ones.
  EXPECT_EQ(Chosen({"SQL Server Native Client 10.0", "SQL Server 2000", "ODBC Driver 13"}),
            "(none)");
}

TEST(OdbcDriverChoice, NamesCompareWithoutCaseAndKeepTheRegisteredSpelling) {
  const auto driver = ChooseDriver({"freetds", "sql server"});
  ASSERT_TRUE(driver);
  EXPECT_EQ(driver->name, "sql server");
  EXPECT_EQ(driver->kind, DriverKind::kMicrosoft);
  EXPECT_EQ(ChooseDriver({"FREETDS"})->kind, DriverKind::kFreeTds);
}

TEST(OdbcDriverChoice, EncryptionIsLeftToTheServerByTheNewerMicrosoftDrivers) {
  EXPECT_EQ(ChooseDriver({kDriver18})->extraKeywords,
            "Encrypt=Optional;TrustServerCertificate=yes");
  EXPECT_EQ(ChooseDriver({kDriver17})->extraKeywords, "Encrypt=no;TrustServerCertificate=yes");
  EXPECT_EQ(ChooseDriver({kNativeClient})->extraKeywords, "");
  EXPECT_EQ(ChooseDriver({kSqlServer})->extraKeywords, "");
}

// What the drivers answer a server they refuse, as their users have reported them to
// Microsoft (prefixes dropped, as ReadDiagnostics drops them): ODBC Driver 17 and 13
// against SQL Server 2000 (microsoft/msphpsql issues 888 and 100, microsoft/vscode-mssql
// issue 880), the same sentence from Native Client 11.0 and ODBC Driver 18, and the
// handshake failure ODBC Driver 17 puts down to an unsupported server version
// (uepg/laravel-sybase issue 87).
const std::vector<std::vector<DiagRecord>> kVersionRefusals = {
    {{"08001", 0,
      "ODBC Driver 17 for SQL Server does not support connections to SQL Server 2000 or earlier "
      "versions."},
     {"08001", 0, "Client unable to establish connection"}},
    {{"08001", 0,
      "SQL Server Native Client 11.0 does not support connections to SQL Server 2000 or earlier "
      "versions."}},
    {{"08001", 0,
      "ODBC Driver 18 for SQL Server does not support connections to SQL Server 2000 or earlier "
      "versions."},
     {"08001", 0, "Client unable to establish connection"}},
    {{"08001", 0,
      "Client unable to establish connection because an error was encountered during handshakes "
      "before login. Common causes include client attempting to connect to an unsupported "
      "version of SQL Server, server too busy to accept new connections or a resource limitation "
      "(memory or maximum allowed connections) on the server."}},
};

// Failures that say nothing about the server's version: a wrong password, a server that
// is not there, a login timeout, an encryption the client cannot do.
const std::vector<std::vector<DiagRecord>> kOtherFailures = {
    {{"28000", 18456, "Login failed for user 'sa'."}},
    {{"08001", 10061,
      "TCP Provider: No connection could be made because the target machine actively refused "
      "it."},
     {"HYT00", 0, "Login timeout expired"}},
    {{"08001", 21, "Encryption not supported on the client."},
     {"08001", 21, "Client unable to establish connection"}},
    {},
};

TEST(OdbcDriverChoice, AVersionRefusalGivesWayOnceToADriverForOlderServersKeptForThatServer) {
  const std::vector<std::string> installed = {kDriver17, kNativeClient, kSqlServer, kFreeTds};
  const OdbcDriver driver17 = ChooseDriver({kDriver17}).value();
  for (const auto& refusal : kVersionRefusals) {
    SCOPED_TRACE(refusal.front().message);
    ServerDrivers drivers;
    EXPECT_EQ(drivers.For("OLDBOX", installed)->name, kDriver17);
    const auto older = drivers.AfterRefusal("OLDBOX", driver17, refusal, installed);
    ASSERT_TRUE(older);
    EXPECT_EQ(older->name, kSqlServer);  // Native Client 11.0 refuses SQL Server 2000 too
    EXPECT_EQ(drivers.For("oldbox", installed)->name, kSqlServer);
    EXPECT_EQ(drivers.For("NEWBOX", installed)->name, kDriver17);
  }
  for (const auto& failure : kOtherFailures) {
    SCOPED_TRACE(failure.empty() ? "no records" : failure.front().message);
    ServerDrivers drivers;
    EXPECT_FALSE(drivers.AfterRefusal("BOX", driver17, failure, installed));
    EXPECT_EQ(drivers.For("BOX", installed)->name, kDriver17);
  }
  // The next one for older servers that is installed; none when none is.
  ServerDrivers drivers;
  EXPECT_EQ(drivers
                .AfterRefusal("A", ChooseDriver({kDriver18}).value(), kVersionRefusals[2],
                              {kDriver18, kFreeTds})
                ->name,
            kFreeTds);
  EXPECT_FALSE(drivers.AfterRefusal("B", ChooseDriver({kNativeClient}).value(), kVersionRefusals[1],
                                    {kNativeClient, kDriver17}));
  EXPECT_EQ(drivers.For("B", {kNativeClient, kDriver17})->name, kDriver17);
}

// Microsoft's drivers failing to set up the encryption a server asks for, as reported
// to Microsoft: ODBC Driver 17 on a client without TLS support (microsoft/msphpsql issue
// 1003) and against a server with an outdated TLS version (MicrosoftDocs/sql-docs issue
// 6532), and the "SQL Server" driver's handshake failure (Microsoft KB 322144).
TEST(OdbcConnectFailures, EncryptionFailuresOfTheMicrosoftDriversAreRecognised) {
  const std::vector<DiagRecord> recorded[] = {
      {{"08001", 21, "Encryption not supported on the client."},
       {"08001", 21, "Client unable to establish connection"}},
      {{"08001", 0,
        "SSL Provider: [error:1425F102:SSL routines:ssl_choose_client_version:unsupported "
        "protocol]"},
       {"08001", 0, "Client unable to establish connection"}},
      {{"08001", 18, "SSL Security error"},
       {"08001", 18, "ConnectionOpen (SECDoClientHandShake())."}},
  };
  for (const auto& records : recorded) {
    EXPECT_EQ(EncryptionFailureText(records), records.front().message);
  }
  for (const auto& records : kVersionRefusals) {
    EXPECT_EQ(EncryptionFailureText(records), "");
  }
  EXPECT_EQ(EncryptionFailureText(kOtherFailures[0]), "");  // a refused login
  EXPECT_EQ(EncryptionFailureText(kOtherFailures[1]), "");  // nobody listening
}

TEST(OdbcConnectionStringPerDriver, MicrosoftDriversTakeTheDataSourceAsNamed) {
  const std::string login =
      "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=sa;"
      "Initial Catalog=master;Data Source=";
  EXPECT_EQ(ConnectionString(kDriver18, login + "(local)"),
            "DRIVER={ODBC Driver 18 for SQL Server};SERVER=(local);UID=sa;PWD=;DATABASE=master;"
            "Encrypt=Optional;TrustServerCertificate=yes");
  EXPECT_EQ(ConnectionString(kDriver17, login + " dbhost\\PROD "),
            "DRIVER={ODBC Driver 17 for SQL Server};SERVER=dbhost\\PROD;UID=sa;PWD=;"
            "DATABASE=master;Encrypt=no;TrustServerCertificate=yes");
  EXPECT_EQ(ConnectionString(kSqlServer, login + "tcp:dbhost\\PROD , 1500"),
            "DRIVER={SQL Server};SERVER=tcp:dbhost\\PROD,1500;UID=sa;PWD=;DATABASE=master");
  EXPECT_EQ(ConnectionString(kNativeClient, login + ".\\SQLEXPRESS"),
            "DRIVER={SQL Server Native Client 11.0};SERVER=.\\SQLEXPRESS;UID=sa;PWD=;"
            "DATABASE=master");
  EXPECT_THROW(ConnectionString(kDriver18, login + "dbhost,99999"), ComError);
}

TEST(OdbcConnectionStringPerDriver, MicrosoftDriversTakeAnyValueInBraces) {
  // A "}" is doubled inside braces, so even "};" reaches the server unchanged, and a
  // value cannot add keywords of its own.
  EXPECT_EQ(ConnectionString(kDriver18,
                             "Password='a};Encrypt=yes';User ID=' x';Initial Catalog=销售;"
                             "Data Source=h,1500"),
            "DRIVER={ODBC Driver 18 for SQL Server};SERVER=h,1500;UID={ x};"
            "PWD={a}};Encrypt=yes};DATABASE=销售;Encrypt=Optional;TrustServerCertificate=yes");
  EXPECT_EQ(ConnectionString(kSqlServer, "Password={p}=;Data Source=h"),
            "DRIVER={SQL Server};SERVER=h;UID=;PWD={{p}}=}");
}

TEST(OdbcConnectionStringPerDriver, FreeTdsKeepsItsOwnKeywordsAndTheResolvedServer) {
  EXPECT_EQ(ConnectionString(kFreeTds, "User ID=sa;Password=x;Data Source=.\\SQLEXPRESS"),
            "DRIVER={FreeTDS};SERVER=127.0.0.1\\SQLEXPRESS;UID=sa;PWD=x;"
            "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=request");
}

std::shared_ptr<OdbcHandle> Environment() {
  SQLHANDLE handle = SQL_NULL_HANDLE;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle))) {
    return nullptr;
  }
  auto environment = std::make_shared<OdbcHandle>(SQL_HANDLE_ENV, handle);
  SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  return environment;
}

TEST(OdbcConnectionWithoutDriver, OpenNamesTheDriversThatWouldDo) {
  OdbcConnection connection(Environment(), {"PostgreSQL Unicode"},
                            std::make_shared<ServerDrivers>());
  try {
    connection.Open("User ID=sa;Password=;Initial Catalog=master;Data Source=(local)");
    ADD_FAILURE() << "Open succeeded without a driver";
  } catch (const ComError& error) {
    EXPECT_EQ(error.Description(),
              "No ODBC driver for SQL Server is installed. Install one of: ODBC Driver 18 for "
              "SQL Server, ODBC Driver 17 for SQL Server, SQL Server Native Client 11.0, SQL "
              "Server, FreeTDS.");
  }
  EXPECT_THROW(connection.Execute("select 1"), ComError);  // still closed
}

// Needs FreeTDS registered with the host's driver manager, as the connections do.
TEST(InstalledDrivers, TheDriverManagerListsFreeTds) {
  SQLHANDLE handle = SQL_NULL_HANDLE;
  ASSERT_TRUE(Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle)));
  const OdbcHandle environment(SQL_HANDLE_ENV, handle);
  ASSERT_TRUE(Succeeded(
      SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)));
  const std::vector<std::string> installed = InstalledDrivers(environment);
  EXPECT_NE(std::find(installed.begin(), installed.end(), kFreeTds), installed.end())
      << ::testing::PrintToString(installed);
}

}  // namespace
}  // namespace harrowlander::odbc
