#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "testserver_fixture.h"

namespace harrowlander {
namespace {

using testing::TestServerTest;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class KilledServerTest : public TestServerTest {
 protected:
  std::vector<std::string> ServerArguments() override { return {"--drop", "SHRINKDATABASE"}; }
};

TEST_F(KilledServerTest, AConnectionDroppedMidOperationEndsItWithAMessage) {
  dlg.m_strDatabase = "Sales";
  const auto start = Clock::now();
  EXPECT_EQ(dlg.ShrinkDatabase(), 0);
  EXPECT_LT(SecondsSince(start), 5.0);
  EXPECT_EQ(dlg.m_strStatus, "The connection to SQL Server 127.0.0.1," +
                                 std::to_string(server->Port()) + " was lost.");
}

class SlowServerTest : public TestServerTest {
 protected:
  std::vector<std::string> ServerArguments() override { return {"--delay", "6000,SHRINKDATABASE"}; }
};

TEST_F(SlowServerTest, AStatementOutlastingTheCommandTimeoutIsReported) {
  dlg.m_strDatabase = "Sales";
  dlg.m_nCommandTimeout = 1;
  const auto start = Clock::now();
  EXPECT_EQ(dlg.ShrinkDatabase(), 0);
  EXPECT_LT(SecondsSince(start), 5.0);
  EXPECT_EQ(dlg.m_strStatus,
            "Query timeout expired: the statement did not finish within 1 second.");
}

TEST_F(SlowServerTest, AServerKilledWhileAStatementRunsEndsTheOperation) {
  dlg.m_strDatabase = "Sales";
  dlg.m_nCommandTimeout = 0;  // nothing but the server's death can end the wait
  std::thread killer([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    server->Stop();
  });
  const auto start = Clock::now();
  const int result = dlg.ShrinkDatabase();
  killer.join();
  EXPECT_EQ(result, 0);
  EXPECT_LT(SecondsSince(start), 10.0);
  EXPECT_NE(dlg.m_strStatus.find("was lost"), std::string::npos) << dlg.m_strStatus;
}

TEST_F(SlowServerTest, ACommandTimeoutOfZeroWaits) {
  dlg.m_strDatabase = "Sales";
  dlg.m_nCommandTimeout = 0;
  EXPECT_EQ(dlg.ShrinkDatabase(), 1);
}

TEST_F(TestServerTest, AServerThatNeverAnswersTheLoginTimesOut) {
  // A listener whose backlog accepts the connection, but nobody ever answers.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

  dlg.m_strServer = "127.0.0.1," + std::to_string(ntohs(address.sin_port));
  dlg.m_nConnectTimeout = 1;
  dlg.m_strDatabase = "Sales";
  const auto start = Clock::now();
  EXPECT_EQ(dlg.ShrinkDatabase(), 0);
  EXPECT_LT(SecondsSince(start), 8.0);
  EXPECT_EQ(dlg.m_strStatus, "Login timeout expired: SQL Server 127.0.0.1," +
                                 std::to_string(ntohs(address.sin_port)) +
                                 " did not answer within 1 second.");
  close(listener);
}

// A relay to the testserver that lets each connection wait `delay` before it reaches the
// server, as a server slow to answer the login would.
class LateRelay {
 public:
  LateRelay(int targetPort, std::chrono::milliseconds delay)
      : m_target(targetPort), m_delay(delay) {
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_listener, 8);
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { Accept(); });
  }
  ~LateRelay() {
    m_stop = true;
    m_acceptor.join();
    for (std::thread& relay : m_relays) {
      relay.join();
    }
    close(m_listener);
  }
  int Port() const { return m_port; }

 private:
  static sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
  }
  void Accept() {
    while (!m_stop) {
      pollfd waiting{m_listener, POLLIN, 0};
      if (poll(&waiting, 1, 100) == 1) {
        const int client = accept(m_listener, nullptr, nullptr);
        m_relays.emplace_back([this, client] { Relay(client); });
      }
    }
  }
  void Relay(int client) {
    std::this_thread::sleep_for(m_delay);
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(m_target);
    if (connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
      char buffer[16384];
      while (!m_stop) {
        if (poll(ends, 2, 100) <= 0) {
          continue;
        }
        const int from = (ends[0].revents != 0) ? 0 : 1;
        const ssize_t got = read(ends[from].fd, buffer, sizeof buffer);
        if (got <= 0 || write(ends[1 - from].fd, buffer, static_cast<std::size_t>(got)) != got) {
          break;
        }
      }
    }
    close(server);
    close(client);
  }

  int m_target;
  std::chrono::milliseconds m_delay;
  int m_listener = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::thread m_acceptor;
  std::vector<std::thread> m_relays;
};

// 0 reaches the driver as no limit on the login, not as no time at all; the same late
// server with a limit of 1 second shows that the login really is late.
TEST_F(TestServerTest, AConnectTimeoutOfZeroWaitsForALateLogin) {
  LateRelay late(server->Port(), std::chrono::milliseconds(2500));
  dlg.m_strServer = "127.0.0.1," + std::to_string(late.Port());
  dlg.m_strDatabase = "Sales";

  dlg.m_nConnectTimeout = 1;
  EXPECT_EQ(dlg.ShrinkDatabase(), 0);
  EXPECT_EQ(dlg.m_strStatus.rfind("Login timeout expired", 0), 0u) << dlg.m_strStatus;

  dlg.m_nConnectTimeout = 0;
  const auto start = Clock::now();
  EXPECT_EQ(dlg.ShrinkDatabase(), 1) << dlg.m_strStatus;
  EXPECT_GE(SecondsSince(start), 2.5);
}

// A server that asks for encryption offering only a cipher suite that FreeTDS's TLS
// library does not speak, as old servers offer only suites that are no longer accepted.
class UnagreeableEncryptionTest : public TestServerTest,
                                  public ::testing::WithParamInterface<const char*> {
 protected:
  std::vector<std::string> ServerArguments() override {
    return {"--encryption", GetParam(), "--tls-ciphers", "CAMELLIA128-SHA"};
  }
};

INSTANTIATE_TEST_SUITE_P(Modes, UnagreeableEncryptionTest, ::testing::Values("required", "off"));

TEST_P(UnagreeableEncryptionTest, TheStatusSaysTheEncryptionFailedNotThatTheServerIsAbsent) {
  dlg.OnDropdownDatabase();
  const std::string named = "SQL Server 127.0.0.1," + std::to_string(server->Port());
  const std::string asked = std::string(GetParam()) == "required"
                                ? " requires an encrypted connection, and the driver \"FreeTDS\" "
                                  "could not set one up with it"
                                : " encrypts the login, and the driver \"FreeTDS\" could not set "
                                  "that up with it";
  EXPECT_EQ(dlg.m_strStatus, named + asked +
                                 ": the TLS handshake failed (the server may offer only TLS "
                                 "versions or ciphers that the driver no longer accepts).");
}

}  // namespace
}  // namespace harrowlander
