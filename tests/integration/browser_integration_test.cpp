#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

#include "platform/posix/broadcast_targets.h"

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

// The question to the whole network also goes to each interface, the loopback
// included: in a network without a default route (this test's namespace) the limited
// broadcast cannot be sent at all, and the server on the loopback still answers,
// listed once.
class LoopbackBrowserTest : public TestServerTest {
 protected:
  std::vector<std::string> ServerArguments() override {
    return {"--browser", "127.0.0.1:0", "--server-name", "LOOPSRV"};
  }
};

TEST_F(LoopbackBrowserTest, TheLocalNetworkQuestionReachesEveryInterface) {
  posix::SqlBrowserClient browser(std::string(posix::SqlBrowserClient::kLocalNetworkBroadcast),
                                  server->BrowserPort(), std::chrono::milliseconds(1000));
  const ServerEnumeration found = browser.EnumerateSqlServers();
  EXPECT_EQ(found.status, ServerEnumeration::kSuccess);
  ASSERT_EQ(found.entries.size(), 1u);
  EXPECT_EQ(found.entries[0].name, "LOOPSRV");
}

TEST(BroadcastTargets, EachUpInterfaceOnceAfterTheLimitedBroadcast) {
  auto v4 = [](const char* text) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, text, &address.sin_addr);
    return address;
  };
  sockaddr_in loopback = v4("127.0.0.1"), wired = v4("192.0.2.3"), wiredCast = v4("192.0.2.255"),
              vpn = v4("192.0.2.9"), down = v4("198.51.100.2"), downCast = v4("198.51.100.255");
  sockaddr_in6 six{};
  six.sin6_family = AF_INET6;
  auto at = [](sockaddr_in& address) { return reinterpret_cast<sockaddr*>(&address); };
  ifaddrs list[5] = {};
  list[0] = {
      &list[1], const_cast<char*>("lo"), IFF_UP | IFF_LOOPBACK, at(loopback), nullptr, {nullptr},
      nullptr};
  list[1] = {&list[2],
             const_cast<char*>("eth0"),
             IFF_UP | IFF_BROADCAST,
             at(wired),
             nullptr,
             {at(wiredCast)},
             nullptr};
  list[2] = {&list[3],
             const_cast<char*>("eth0"),
             IFF_UP | IFF_BROADCAST,
             reinterpret_cast<sockaddr*>(&six),
             nullptr,
             {nullptr},
             nullptr};
  list[3] = {&list[4],
             const_cast<char*>("tun0"),
             IFF_UP | IFF_BROADCAST,
             at(vpn),
             nullptr,
             {at(wiredCast)},
             nullptr};
  list[4] = {nullptr, const_cast<char*>("wlan0"), IFF_BROADCAST, at(down), nullptr, {at(downCast)},
             nullptr};
  EXPECT_EQ(posix::BroadcastTargets(list),
            (std::vector<std::string>{"255.255.255.255", "127.0.0.1", "192.0.2.255"}));
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
