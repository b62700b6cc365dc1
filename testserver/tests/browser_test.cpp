// The SQL Server Browser responder, by raw datagrams and through FreeTDS's
// instance lookup (which always asks port 1434 of the server's address).
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "odbc_client.h"
#include "server_process.h"

namespace {

// The reply's text, or "" when none came within 500 ms.
std::string Ask(const std::string& address, int port, const std::string& request) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, address.c_str(), &to.sin_addr);
  ::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  pollfd p{fd, POLLIN, 0};
  std::string text;
  if (::poll(&p, 1, 500) > 0) {
    char buffer[1024];
    ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got >= 3 && buffer[0] == 0x05) {
      size_t length = static_cast<uint8_t>(buffer[1]) | (static_cast<uint8_t>(buffer[2]) << 8);
      text.assign(buffer + 3, std::min<size_t>(length, got - 3));
    }
  }
  ::close(fd);
  return text;
}

}  // namespace

TEST(Browser, AnswersBroadcastUnicastAndItsOwnInstanceOnly) {
  ServerProcess server(
      {"--browser", "127.0.0.1:0", "--instance", "TESTINST", "--server-name", "DBHOST"});
  ASSERT_TRUE(server.Ready());
  ASSERT_NE(server.BrowserPort(), 0);
  std::string expected =
      "ServerName;DBHOST;InstanceName;TESTINST;IsClustered;No;Version;8.00.2039;tcp;" +
      std::to_string(server.Port()) + ";;";
  EXPECT_EQ(Ask("127.0.0.1", server.BrowserPort(), std::string(1, '\x02')), expected);
  EXPECT_EQ(Ask("127.0.0.1", server.BrowserPort(), std::string(1, '\x03')), expected);
  EXPECT_EQ(Ask("127.0.0.1", server.BrowserPort(), std::string("\x04testinst", 9) + '\0'),
            expected);
  EXPECT_EQ(Ask("127.0.0.1", server.BrowserPort(), std::string("\x04OTHER", 6) + '\0'), "");
}

TEST(Browser, FreeTdsFindsTheInstanceByName) {
  // A dedicated loopback address, so that port 1434 is ours alone.
  ServerProcess server(
      {"--listen", "127.0.0.57:0", "--browser", "127.0.0.57:1434", "--instance", "TESTINST"});
  ASSERT_TRUE(server.Ready());
  OdbcClient client;
  EXPECT_TRUE(
      client.ConnectWith(std::string("DRIVER={FreeTDS};SERVER=127.0.0.57\\testinst;UID=sa;PWD=") +
                         ServerProcess::kSaPassword + ";TDS_Version=7.4"));
}
