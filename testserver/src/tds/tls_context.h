// The server's TLS setup: a self-signed certificate made when the server starts, as
// SQL Server makes one when no certificate is configured.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testserver::tds {

class TlsContext {
 public:
  // `ciphers`: the TLS 1.2 cipher suites offered, in OpenSSL's notation; empty for
  // OpenSSL's defaults. Throws std::runtime_error when the key or certificate cannot be
  // made or the list names no cipher.
  TlsContext(const std::string& commonName, const std::string& ciphers);
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;

  void* Native() const;  // the SSL_CTX

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// One connection's TLS, fed and drained through memory: during the handshake its records
// travel inside PRELOGIN packets, afterwards straight over the socket.
class TlsSession {
 public:
  explicit TlsSession(const TlsContext& context);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Takes the client's handshake bytes and returns the server's answer (possibly
  // empty); false when the handshake failed.
  bool Accept(const std::vector<uint8_t>& fromClient, std::vector<uint8_t>& toClient);
  bool Established() const;

  // After the handshake: one whole record in, its plaintext appended to `plain`.
  bool Open(const std::vector<uint8_t>& record, std::vector<uint8_t>& plain);
  // Plaintext in, the records that carry it out.
  bool Seal(const uint8_t* data, size_t size, std::vector<uint8_t>& records);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace testserver::tds
