#include "tls_context.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <stdexcept>

namespace testserver::tds {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  char detail[256] = "";
  ERR_error_string_n(ERR_get_error(), detail, sizeof detail);
  throw std::runtime_error("TLS: " + what + ": " + detail);
}

// Moves whatever the TLS engine wrote into its memory BIO to `out`.
void Drain(BIO* bio, std::vector<uint8_t>& out) {
  uint8_t buffer[4096];
  int got;
  while ((got = BIO_read(bio, buffer, sizeof buffer)) > 0) {
    out.insert(out.end(), buffer, buffer + got);
  }
}

}  // namespace

struct TlsContext::Impl {
  SSL_CTX* ctx = nullptr;
  ~Impl() { SSL_CTX_free(ctx); }
};

TlsContext::TlsContext(const std::string& commonName, const std::string& ciphers)
    : m_impl(std::make_unique<Impl>()) {
  EVP_PKEY* key = EVP_RSA_gen(2048);
  X509* certificate = X509_new();
  if (key == nullptr || certificate == nullptr) {
    EVP_PKEY_free(key);
    X509_free(certificate);
    Fail("making the key");
  }
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate), 7L * 24 * 3600);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
  X509_set_issuer_name(certificate, name);
  const bool signedOk = X509_sign(certificate, key, EVP_sha256()) > 0;

  m_impl->ctx = SSL_CTX_new(TLS_server_method());
  const bool ready = signedOk && m_impl->ctx != nullptr &&
                     SSL_CTX_use_certificate(m_impl->ctx, certificate) == 1 &&
                     SSL_CTX_use_PrivateKey(m_impl->ctx, key) == 1;
  X509_free(certificate);
  EVP_PKEY_free(key);
  if (!ready) {
    Fail("making the certificate");
  }
  // TDS 7.x carries TLS up to 1.2 only: the handshake ends with the server's Finished,
  // which the client reads before it sends the login.
  SSL_CTX_set_max_proto_version(m_impl->ctx, TLS1_2_VERSION);
  // Session tickets would follow the handshake inside PRELOGIN packets that the client
  // no longer reads as such.
  SSL_CTX_set_num_tickets(m_impl->ctx, 0);
  SSL_CTX_set_session_cache_mode(m_impl->ctx, SSL_SESS_CACHE_OFF);
  if (!ciphers.empty() && SSL_CTX_set_cipher_list(m_impl->ctx, ciphers.c_str()) != 1) {
    Fail("no cipher in \"" + ciphers + "\"");
  }
}

TlsContext::~TlsContext() = default;

void* TlsContext::Native() const {
  return m_impl->ctx;
}

struct TlsSession::Impl {
  SSL* ssl = nullptr;
  BIO* in = nullptr;   // owned by ssl
  BIO* out = nullptr;  // owned by ssl
  ~Impl() { SSL_free(ssl); }
};

TlsSession::TlsSession(const TlsContext& context) : m_impl(std::make_unique<Impl>()) {
  m_impl->ssl = SSL_new(static_cast<SSL_CTX*>(context.Native()));
  m_impl->in = BIO_new(BIO_s_mem());
  m_impl->out = BIO_new(BIO_s_mem());
  if (m_impl->ssl == nullptr || m_impl->in == nullptr || m_impl->out == nullptr) {
    BIO_free(m_impl->in);
    BIO_free(m_impl->out);
    Fail("starting a session");
  }
  SSL_set_bio(m_impl->ssl, m_impl->in, m_impl->out);
  SSL_set_accept_state(m_impl->ssl);
}

TlsSession::~TlsSession() = default;

bool TlsSession::Accept(const std::vector<uint8_t>& fromClient, std::vector<uint8_t>& toClient) {
  BIO_write(m_impl->in, fromClient.data(), static_cast<int>(fromClient.size()));
  const int rc = SSL_do_handshake(m_impl->ssl);
  Drain(m_impl->out, toClient);  // on failure: the alert that tells the client why
  if (rc == 1) {
    return true;
  }
  const int error = SSL_get_error(m_impl->ssl, rc);
  ERR_clear_error();
  return error == SSL_ERROR_WANT_READ;
}

bool TlsSession::Established() const {
  return SSL_is_init_finished(m_impl->ssl) == 1;
}

bool TlsSession::Open(const std::vector<uint8_t>& record, std::vector<uint8_t>& plain) {
  BIO_write(m_impl->in, record.data(), static_cast<int>(record.size()));
  uint8_t buffer[16384];
  for (;;) {
    const int got = SSL_read(m_impl->ssl, buffer, sizeof buffer);
    if (got > 0) {
      plain.insert(plain.end(), buffer, buffer + got);
      continue;
    }
    const int error = SSL_get_error(m_impl->ssl, got);
    ERR_clear_error();
    return error == SSL_ERROR_WANT_READ;
  }
}

bool TlsSession::Seal(const uint8_t* data, size_t size, std::vector<uint8_t>& records) {
  if (size > 0 && SSL_write(m_impl->ssl, data, static_cast<int>(size)) <= 0) {
    ERR_clear_error();
    return false;
  }
  Drain(m_impl->out, records);
  return true;
}

}  // namespace testserver::tds
