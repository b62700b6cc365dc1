#include "platform/odbc/encryption_failure.h"

#include <algorithm>

#include "platform/odbc/connect_refusal.h"
#include "platform/odbc/prelogin_probe.h"

namespace harrowlander::odbc {

std::string DescribeEncryptionFailure(const OdbcDriver& driver, const DataSource& target,
                                      const std::string& server, int timeoutSeconds,
                                      const std::vector<DiagRecord>& records) {
  const std::string named = "SQL Server " + server;
  const std::string by = "the driver \"" + driver.name + "\"";
  if (driver.kind == DriverKind::kMicrosoft) {
    const std::string text = EncryptionFailureText(records);
    return text.empty() ? text
                        : named + " asks for an encrypted connection, and " + by +
                              " could not set one up with it: " + text;
  }
  // An instance without a port is found through the server's browser, which only the
  // driver asks.
  const bool instanceOnly = !target.port && target.server.find('\\') != std::string::npos;
  if (!FreeTdsLoginNotAcknowledged(records) || instanceOnly) {
    return {};
  }
  constexpr int kProbeSeconds = 5;
  const auto encryption = ProbeServerEncryption(
      target.server.substr(0, target.server.find('\\')), target.port.value_or(1433),
      timeoutSeconds > 0 ? std::min(timeoutSeconds, kProbeSeconds) : kProbeSeconds);
  const std::string why =
      ": the TLS handshake failed (the server may offer only TLS versions or ciphers that the "
      "driver no longer accepts).";
  if (encryption == ServerEncryption::kRequired || encryption == ServerEncryption::kOn) {
    return named + " requires an encrypted connection, and " + by +
           " could not set one up with it" + why;
  }
  if (encryption == ServerEncryption::kLoginOnly) {
    return named + " encrypts the login, and " + by + " could not set that up with it" + why;
  }
  return {};
}

}  // namespace harrowlander::odbc
