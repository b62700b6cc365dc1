#include <algorithm>

#include "res/resource_ids.h"
#include "testserver_fixture.h"

namespace harrowlander {
namespace {

using testing::TestServerTest;

// Logging in and listing: the servers of today's protocol and SQL Server 2000's, with
// and without encryption.
class DatabaseListIntegrationTest : public testing::ServerKindTest {
 protected:
  std::vector<std::string> Listed() { return fake.window.combos[res::IDC_DATABASE].items; }
};

INSTANTIATE_TEST_SUITE_P(Servers, DatabaseListIntegrationTest,
                         ::testing::ValuesIn(testing::kServersWithAndWithoutEncryption),
                         testing::ServerKindName);

TEST_P(DatabaseListIntegrationTest, WithoutCtrlOnlyUserDatabases) {
  fake.window.texts[res::IDC_DATABASE] = "Sa";
  dlg.OnDropdownDatabase();
  EXPECT_EQ(dlg.m_strStatus, "完成查找.");
  // Northwind goes too: the server compares the excluded names without regard to case.
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Inventory", "Sales"}));
  EXPECT_EQ(fake.window.texts[res::IDC_DATABASE], "Sa");
  const auto batches = ServerBatches();
  ASSERT_FALSE(batches.empty());
  EXPECT_EQ(batches.back(),
            "select name from dbo.sysdatabases  where name not in "
            "('master','model','msdb','northwind','pubs','tempdb') order by name");
}

TEST_P(DatabaseListIntegrationTest, WithCtrlEveryDatabaseInNameOrder) {
  fake.window.PressKey(vk::kControl);
  dlg.OnDropdownDatabase();
  const auto listed = Listed();
  for (const char* name : {"master", "model", "msdb", "tempdb", "pubs", "Northwind", "Sales"}) {
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
  }
  EXPECT_EQ(ServerBatches().back(), "select name from dbo.sysdatabases  order by name");
}

TEST_P(DatabaseListIntegrationTest, ARefusedLoginShowsTheServersText) {
  fake.window.texts[res::IDC_SQL_PASSWORD] = "wrong";
  dlg.OnDropdownDatabase();
  EXPECT_EQ(dlg.m_strStatus, "Login failed for user 'sa'.");
  EXPECT_TRUE(Listed().empty());
}

class UnreachableServerTest : public TestServerTest {};

TEST_F(UnreachableServerTest, AnUnreachableServerIsDescribed) {
  server->Stop();
  dlg.OnDropdownDatabase();
  EXPECT_NE(dlg.m_strStatus.find("Cannot connect to SQL Server 127.0.0.1,"), std::string::npos)
      << dlg.m_strStatus;
}

}  // namespace
}  // namespace harrowlander
