#include <gtest/gtest.h>

#include <algorithm>

#include "platform/odbc/installed_drivers.h"
#include "platform/odbc/odbc_connection.h"
#include "platform/odbc/odbc_connection_string.h"
#include "platform/odbc/odbc_driver.h"
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
            "TDS_Version=7.4;ClientCharset=UTF-8");
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
  OdbcConnection connection(Environment(), std::nullopt);
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
