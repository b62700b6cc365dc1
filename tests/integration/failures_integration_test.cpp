#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

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
