#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace harrowlander::odbc {

// The PRELOGIN ENCRYPTION values a server answers with.
enum class ServerEncryption : std::uint8_t {
  kLoginOnly = 0x00,  // it encrypts the login and nothing after
  kOn = 0x01,
  kNotSupported = 0x02,
  kRequired = 0x03,
};

// Asks the SQL Server at host:port, as a client ready to encrypt would, which encryption
// it settles on, and hangs up. Nothing when it cannot be reached within `timeoutSeconds`
// or does not answer as a SQL Server. Only on POSIX systems; on Windows the Microsoft
// drivers say for themselves when encryption failed.
std::optional<ServerEncryption> ProbeServerEncryption(const std::string& host, int port,
                                                      int timeoutSeconds);

}  // namespace harrowlander::odbc
