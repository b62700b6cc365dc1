#include "session.h"

#include <algorithm>
#include <chrono>

#include "../server/messages.h"
#include "../tds/login7.h"
#include "../tds/packet_io.h"
#include "../tds/prelogin.h"
#include "../tds/tokens.h"
#include "../text.h"

namespace testserver {

namespace {

using tds::Connection;
using tds::TokenWriter;

constexpr uint32_t kMinPacket = 512, kDefaultPacket = 4096, kMaxPacket = 32767;

class Session {
 public:
  Session(int fd, int spid, SessionServices& services) : m_connection(fd), m_services(services) {
    m_state.spid = spid;
  }

  void Run() {
    if (Handshake()) {
      while (auto message = m_connection.Read()) {
        if (!Dispatch(*message)) {
          break;
        }
      }
    }
    m_services.engine.EndSession(m_state);
  }

 private:
  bool Send(TokenWriter& writer) { return m_connection.Write(tds::kReply, writer.Out().Take()); }
  TokenWriter Writer() const { return TokenWriter(m_services.serverName, m_version); }

  // PRELOGIN and, when encryption was settled on, the TLS handshake. False when the
  // connection must end: a client that does not encrypt when the server requires it
  // gets no login.
  bool Prelogin(std::optional<tds::Message>& message) {
    if (!message || message->type != tds::kPrelogin) {
      return m_services.encryption != tds::ServerEncryption::kRequired;
    }
    auto client = tds::ClientEncryption(message->payload);
    if (!client) {
      return false;
    }
    const uint8_t answer = tds::AnswerEncryption(m_services.encryption, *client);
    if (!m_connection.Write(tds::kReply,
                            tds::BuildPreloginReply(m_services.productVersion, answer))) {
      return false;
    }
    if (answer != tds::kEncryptNotSupported) {
      const auto scope = answer == tds::kEncryptOff ? tds::Connection::TlsScope::kLoginPacket
                                                    : tds::Connection::TlsScope::kSession;
      if (!m_connection.NegotiateTls(std::make_unique<tds::TlsSession>(*m_services.tls), scope)) {
        return false;
      }
    }
    message = m_connection.Read();
    return true;
  }

  bool Handshake() {
    auto message = m_connection.Read();
    if (!Prelogin(message) || !message || message->type != tds::kLogin7) {
      return false;
    }
    auto login = tds::ParseLogin7(message->payload);
    if (!login) {
      return false;
    }
    m_version = tds::NegotiateVersion(m_services.tdsVersion, login->tdsVersion);
    m_connection.SetSpid(static_cast<uint16_t>(m_state.spid));
    TokenWriter writer = Writer();
    LoginOutcome outcome;
    if (m_services.faults.LoginsRefused()) {
      outcome.errors.push_back(msg::LoginFailed(login->userName));
    } else {
      outcome = m_services.engine.Login(*login, m_state);
    }
    if (!outcome.accepted) {
      for (const ServerMessage& m : outcome.errors) {
        writer.Message(m);
      }
      writer.Done(tds::kDoneError);
      Send(writer);
      return false;
    }
    // A client that names no packet size gets the server's default.
    uint32_t packetSize = login->packetSize == 0
                              ? kDefaultPacket
                              : std::clamp(login->packetSize, kMinPacket, kMaxPacket);
    writer.EnvChange(1, m_state.database, "master");
    writer.Message(msg::ChangedDatabase(m_state.database));
    writer.CollationEnvChange();
    writer.EnvChange(2, "us_english", "");
    writer.Message(msg::ChangedLanguage());
    writer.LoginAck("Microsoft SQL Server", m_services.productVersion);
    writer.EnvChange(4, std::to_string(packetSize), "4096");
    writer.Done(tds::kDoneFinal);
    bool sent = Send(writer);
    m_connection.SetPacketSize(packetSize);
    return sent;
  }

  bool AcknowledgeAttention() {
    TokenWriter writer = Writer();
    writer.Done(tds::kDoneAttention);
    return Send(writer);
  }

  // True when an ATTENTION arrived within `ms`; other traffic there is a protocol error
  // that ends the connection, signalled through m_closed.
  bool AttentionWithin(int ms) {
    if (!m_connection.WaitReadable(ms)) {
      return false;
    }
    auto message = m_connection.Read();
    if (!message) {
      m_closed = true;
      return false;
    }
    return message->type == tds::kAttention;
  }

  // Waits until `until`; true when a cancel came (or the client left) first.
  bool CancelledBefore(std::chrono::steady_clock::time_point until) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    return AttentionWithin(static_cast<int>(std::max<int64_t>(left.count(), 0))) || m_closed;
  }

  // A --delay. A BACKUP or RESTORE that asked for STATS reports its progress over the
  // delay, each message with a DONE of its own and sent at once: clients hand such
  // messages over one by one, but hold back messages that share a DONE until the end.
  // False when the client cancelled or left meanwhile.
  bool Delay(int ms, const std::vector<ProgressStep>& steps) {
    const auto start = std::chrono::steady_clock::now();
    for (const ProgressStep& step : steps) {
      if (CancelledBefore(start + std::chrono::milliseconds(int64_t{ms} * step.percent / 100))) {
        return false;
      }
      TokenWriter writer = Writer();
      writer.Message(step.message);
      writer.Done(tds::kDoneMore);
      if (!m_connection.Write(tds::kReply, writer.Out().Take(), false)) {
        m_closed = true;
        return false;
      }
    }
    return !CancelledBefore(start + std::chrono::milliseconds(ms));
  }

  bool Dispatch(const tds::Message& message) {
    switch (message.type) {
      case tds::kAttention:
        return AcknowledgeAttention();
      case tds::kSqlBatch:
        return Batch(message.payload);
      case tds::kTransactionManager: {
        TokenWriter writer = Writer();
        writer.Done(tds::kDoneFinal);
        return Send(writer);
      }
      case tds::kRpc: {
        TokenWriter writer = Writer();
        writer.Message(ServerMessage{2812, 62, 16, "testserver accepts SQL batches only."});
        writer.Done(tds::kDoneError);
        return Send(writer);
      }
      default:
        return false;
    }
  }

  std::string BatchText(const std::vector<uint8_t>& payload) const {
    size_t skip = 0;
    if (tds::HasTds72Formats(m_version) && payload.size() >= 4) {
      uint32_t headers = payload[0] | (payload[1] << 8) | (payload[2] << 16) |
                         (static_cast<uint32_t>(payload[3]) << 24);
      // ALL_HEADERS is present from TDS 7.2 on; its length covers itself.
      if (headers >= 4 && headers <= payload.size() && headers < 1024) {
        skip = headers;
      }
    }
    return Utf16LeToUtf8(payload.data() + skip, payload.size() - skip);
  }

  bool Batch(const std::vector<uint8_t>& payload) {
    std::string text = BatchText(payload);
    m_services.log.Write(m_state.spid, m_state.login, m_state.database, text);
    const Faults& faults = m_services.faults;
    if (faults.DropFor(text)) {
      return false;
    }
    if (faults.FreezeFor(text)) {
      // A server hung mid-statement answers nothing, not even a cancel, until the client
      // goes away or the server stops.
      while (m_connection.Read()) {
      }
      return false;
    }
    if (int delay = faults.DelayMsFor(text); delay > 0) {
      if (!Delay(delay, m_services.engine.ProgressOf(text))) {
        return !m_closed && AcknowledgeAttention();
      }
    }
    TokenWriter writer = Writer();
    if (auto failure = faults.FailureFor(text)) {
      ServerMessage error = msg::Injected(failure->number);
      if (!failure->text.empty()) {
        error.text = failure->text;
      }
      writer.Message(error);
      writer.Done(tds::kDoneError);
    } else {
      BatchOutcome outcome = m_services.engine.ExecuteBatch(
          m_state, text, [this](int ms) { return AttentionWithin(ms) || m_closed; });
      if (outcome.cancelled) {
        return !m_closed && AcknowledgeAttention();
      }
      const std::vector<StatementResult>& results = outcome.results;
      for (size_t i = 0; i < results.size(); ++i) {
        tds::WriteStatementResult(writer, results[i], i + 1 < results.size());
      }
      if (results.empty()) {
        writer.Done(tds::kDoneFinal);
      }
    }
    // A cancel that arrived while the batch ran discards its output.
    if (AttentionWithin(0)) {
      return AcknowledgeAttention();
    }
    return !m_closed && Send(writer);
  }

  Connection m_connection;
  SessionServices& m_services;
  SessionState m_state;
  tds::TdsVersion m_version = tds::TdsVersion::k74;  // settled by the login
  bool m_closed = false;
};

}  // namespace

void ServeConnection(int fd, int spid, SessionServices& services) {
  Session(fd, spid, services).Run();
}

}  // namespace testserver
