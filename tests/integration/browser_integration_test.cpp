#include <algorithm>

#include "platform/posix/sql_browser_client.h"
#include "res/resource_ids.h"
#include "testserver_fixture.h"

namespace harrowlander {
namespace {

using testing::TestServerTest;

// testserver with a named instance on its own loopback address, its browser responder
// on that address's port 1434, where clients look for it.
class NamedInstanceTest : public TestServerTest {
 protected:
  static constexpr const char* kAddress = "127.0.0.41";

  std::vector<std::string> ServerArguments() override {
    return {"--listen",      std::string(kAddress) + ":0",
            "--browser",     std::string(kAddress) + ":1434",
            "--server-name", "TESTSRV",
            "--instance",    "PROD"};
  }
};

TEST_F(NamedInstanceTest, TheBrowserFindsTheInstance) {
  posix::SqlBrowserClient browser(kAddress, 1434, std::chrono::milliseconds(1500));
  const ServerEnumeration found = browser.EnumerateSqlServers();
  EXPECT_EQ(found.status, ServerEnumeration::kSuccess);
  ASSERT_EQ(found.entries.size(), 1u);
  EXPECT_EQ(found.entries[0].name, "TESTSRV\\PROD");
  EXPECT_EQ(found.entries[0].platformId, 500u);
  EXPECT_EQ(found.entries[0].versionMajor, 8u);
}

TEST_F(NamedInstanceTest, HostBackslashInstanceConnectsThroughTheBrowser) {
  fake.window.texts[res::IDC_SERVER] = std::string(kAddress) + "\\PROD";
  dlg.OnDropdownDatabase();
  EXPECT_EQ(dlg.m_strStatus, "完成查找.");
  EXPECT_EQ(fake.window.combos[res::IDC_DATABASE].items,
            (std::vector<std::string>{"Inventory", "Sales"}));
}

TEST_F(NamedInstanceTest, HostCommaPortConnectsDirectly) {
  fake.window.texts[res::IDC_SERVER] = std::string(kAddress) + "," + std::to_string(server->Port());
  dlg.OnDropdownDatabase();
  EXPECT_EQ(dlg.m_strStatus, "完成查找.");
}

TEST(SqlBrowserClient, NobodyAnsweringGivesAnEmptySuccessfulList) {
  posix::SqlBrowserClient browser("127.0.0.42", 1434, std::chrono::milliseconds(200));
  const ServerEnumeration found = browser.EnumerateSqlServers();
  EXPECT_EQ(found.status, ServerEnumeration::kSuccess);
  EXPECT_TRUE(found.entries.empty());
}

TEST(ParseBrowserResponse, OneEntryPerInstance) {
  const std::string text =
      "ServerName;DB1;InstanceName;MSSQLSERVER;IsClustered;No;Version;8.00.2039;tcp;1433;;"
      "ServerName;DB1;InstanceName;SALES;IsClustered;No;Version;9.00.1399.06;tcp;1500;;";
  std::string datagram = "\x05";
  datagram += static_cast<char>(text.size() & 0xFF);
  datagram += static_cast<char>(text.size() >> 8);
  datagram += text;
  const auto entries = posix::ParseBrowserResponse(datagram);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "DB1");
  EXPECT_EQ(entries[1].name, "DB1\\SALES");
  EXPECT_EQ(entries[1].versionMajor, 9u);
  EXPECT_EQ(entries[1].versionMinor, 0u);
  EXPECT_TRUE(posix::ParseBrowserResponse("\x04garbage").empty());
  EXPECT_TRUE(posix::ParseBrowserResponse("").empty());
}

}  // namespace
}  // namespace harrowlander
