// TDS framing: a message is one or more packets, the last flagged end-of-message.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "tls_context.h"

namespace testserver::tds {

enum PacketType : uint8_t {
  kSqlBatch = 0x01,
  kRpc = 0x03,
  kReply = 0x04,
  kAttention = 0x06,
  kTransactionManager = 0x0E,
  kLogin7 = 0x10,
  kPrelogin = 0x12,
};

struct Message {
  uint8_t type = 0;
  std::vector<uint8_t> payload;
};

class Connection {
 public:
  explicit Connection(int fd) : m_fd(fd) {}

  // Blocks until a whole message arrived; nullopt when the peer closed or sent garbage.
  std::optional<Message> Read();
  // Waits at most timeoutMs for the start of a packet; true when one is ready to read.
  bool WaitReadable(int timeoutMs) const;
  // Splits the payload into packets of at most m_packetSize bytes. Without
  // `endOfMessage` the message goes on in the next Write: what was written so far
  // reaches the client at once, as progress messages must.
  bool Write(uint8_t type, const std::vector<uint8_t>& payload, bool endOfMessage = true);

  // What travels encrypted once the TLS handshake is done.
  enum class TlsScope {
    kLoginPacket,  // the next packet the client sends, then nothing
    kSession,      // everything, both ways
  };
  // Runs the TLS handshake that the client carries in PRELOGIN packets, answering in
  // PRELOGIN packets; false when it failed or the client sent something else.
  bool NegotiateTls(std::unique_ptr<TlsSession> session, TlsScope scope);

  void SetPacketSize(uint32_t size) { m_packetSize = size; }
  void SetSpid(uint16_t spid) { m_spid = spid; }
  int Fd() const { return m_fd; }

 private:
  bool ReadExact(uint8_t* into, size_t count);
  bool ReceiveExact(uint8_t* into, size_t count);
  bool SendAll(const std::vector<uint8_t>& bytes);
  bool ReadRecord();  // one TLS record from the socket, decrypted into m_plain

  int m_fd;
  std::unique_ptr<TlsSession> m_tls;  // set while something travels encrypted
  TlsScope m_tlsScope = TlsScope::kSession;
  std::vector<uint8_t> m_plain;  // decrypted and not yet read
  size_t m_plainRead = 0;
  uint32_t m_packetSize = 4096;
  uint16_t m_spid = 0;
  uint8_t m_packetId = 1;  // of the next packet; counts on across a message's packets
};

}  // namespace testserver::tds
