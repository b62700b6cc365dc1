// PRELOGIN: the client's encryption wish, and the answer with the version of the
// release played and the encryption this server settles on.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "protocol_version.h"

namespace testserver::tds {

// The ENCRYPTION values of PRELOGIN.
enum Encryption : uint8_t {
  kEncryptOff = 0x00,  // from a server: only the login packet is encrypted
  kEncryptOn = 0x01,
  kEncryptNotSupported = 0x02,
  kEncryptRequired = 0x03,
};

// What the server offers, as its certificate and "force encryption" setting make it.
enum class ServerEncryption {
  kNotSupported,  // no certificate: nothing is encrypted
  kLoginOnly,     // a certificate: the login packet travels encrypted, unless the client
                  // cannot encrypt; all of it when the client asks
  kRequired,      // forced: the whole session travels encrypted
};

// The ENCRYPTION option of a client's PRELOGIN (kEncryptNotSupported when absent);
// nothing when the option table is malformed.
std::optional<uint8_t> ClientEncryption(const std::vector<uint8_t>& payload);

// The server's ENCRYPTION answer to the client's, as SQL Server settles it.
uint8_t AnswerEncryption(ServerEncryption server, uint8_t client);

std::vector<uint8_t> BuildPreloginReply(const ProductVersion& version, uint8_t encryption);

}  // namespace testserver::tds
