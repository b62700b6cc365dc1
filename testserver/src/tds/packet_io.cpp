#include "packet_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace testserver::tds {

namespace {
constexpr size_t kHeaderSize = 8;
constexpr uint8_t kEndOfMessage = 0x01;
constexpr size_t kMaxMessage = size_t{64} * 1024 * 1024;
}  // namespace

bool Connection::ReceiveExact(uint8_t* into, size_t count) {
  while (count > 0) {
    ssize_t got = ::recv(m_fd, into, count, 0);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return false;
    }
    into += got;
    count -= static_cast<size_t>(got);
  }
  return true;
}

bool Connection::ReadRecord() {
  constexpr size_t kRecordHeader = 5, kMaxRecord = 18432;
  std::vector<uint8_t> record(kRecordHeader);
  if (!ReceiveExact(record.data(), kRecordHeader)) {
    return false;
  }
  const size_t length = (record[3] << 8) | record[4];
  if (length > kMaxRecord) {
    return false;
  }
  record.resize(kRecordHeader + length);
  if (!ReceiveExact(record.data() + kRecordHeader, length)) {
    return false;
  }
  m_plain.erase(m_plain.begin(), m_plain.begin() + static_cast<std::ptrdiff_t>(m_plainRead));
  m_plainRead = 0;
  return m_tls->Open(record, m_plain);
}

bool Connection::ReadExact(uint8_t* into, size_t count) {
  if (!m_tls) {
    return ReceiveExact(into, count);
  }
  while (count > 0) {
    if (m_plainRead == m_plain.size() && !ReadRecord()) {
      return false;
    }
    const size_t n = std::min(count, m_plain.size() - m_plainRead);
    std::copy_n(m_plain.begin() + static_cast<std::ptrdiff_t>(m_plainRead), n, into);
    m_plainRead += n;
    into += n;
    count -= n;
  }
  return true;
}

bool Connection::SendAll(const std::vector<uint8_t>& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t rc = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (rc < 0 && errno == EINTR) {
      continue;
    }
    if (rc <= 0) {
      return false;
    }
    sent += static_cast<size_t>(rc);
  }
  return true;
}

bool Connection::NegotiateTls(std::unique_ptr<TlsSession> session, TlsScope scope) {
  while (!session->Established()) {
    auto message = Read();
    if (!message || message->type != kPrelogin) {
      return false;
    }
    std::vector<uint8_t> answer;
    const bool accepted = session->Accept(message->payload, answer);
    if (!answer.empty() && !Write(kPrelogin, answer)) {
      return false;
    }
    if (!accepted) {
      return false;
    }
  }
  m_tls = std::move(session);
  m_tlsScope = scope;
  return true;
}

std::optional<Message> Connection::Read() {
  Message message;
  for (;;) {
    uint8_t header[kHeaderSize];
    if (!ReadExact(header, kHeaderSize)) {
      return std::nullopt;
    }
    size_t length = (header[2] << 8) | header[3];
    if (length < kHeaderSize) {
      return std::nullopt;
    }
    message.type = header[0];
    size_t old = message.payload.size();
    if (old + length > kMaxMessage) {
      return std::nullopt;
    }
    message.payload.resize(old + length - kHeaderSize);
    if (!ReadExact(message.payload.data() + old, length - kHeaderSize)) {
      return std::nullopt;
    }
    if (m_tls && m_tlsScope == TlsScope::kLoginPacket) {
      m_tls.reset();  // the client sends in the clear from its second packet on
    }
    if (header[1] & kEndOfMessage) {
      return message;
    }
  }
}

bool Connection::WaitReadable(int timeoutMs) const {
  if (m_tls && m_plainRead < m_plain.size()) {
    return true;
  }
  pollfd p{m_fd, POLLIN, 0};
  int rc;
  do {
    rc = ::poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

bool Connection::Write(uint8_t type, const std::vector<uint8_t>& payload, bool endOfMessage) {
  const size_t chunk = m_packetSize - kHeaderSize;
  size_t offset = 0;
  std::vector<uint8_t> packet;
  do {
    size_t n = std::min(chunk, payload.size() - offset);
    bool last = offset + n == payload.size() && endOfMessage;
    size_t length = n + kHeaderSize;
    packet.assign({type, static_cast<uint8_t>(last ? kEndOfMessage : 0),
                   static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF),
                   static_cast<uint8_t>(m_spid >> 8), static_cast<uint8_t>(m_spid & 0xFF),
                   m_packetId++, 0});
    if (last) {
      m_packetId = 1;
    }
    packet.insert(packet.end(), payload.begin() + offset, payload.begin() + offset + n);
    if (m_tls && m_tlsScope == TlsScope::kSession) {
      std::vector<uint8_t> records;
      if (!m_tls->Seal(packet.data(), packet.size(), records) || !SendAll(records)) {
        return false;
      }
    } else if (!SendAll(packet)) {
      return false;
    }
    offset += n;
  } while (offset < payload.size());
  return true;
}

}  // namespace testserver::tds
