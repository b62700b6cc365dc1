#pragma once

#include <string>

namespace harrowlander {

// The workstation's log-ons to shares of other machines ("network uses"). Remote names
// are UNC paths, "\\server\share". Text is UTF-8.
class NetworkSession {
 public:
  virtual ~NetworkSession() = default;

  // Logs on to the share with the account, passed as typed (a domain-qualified name
  // included); an empty password is tried as an empty password. Never falls back to an
  // anonymous log-on. True when the server accepted the log-on.
  virtual bool AddNetUse(const std::string& remoteName, const std::string& user,
                         const std::string& password) = 0;

  // Drops the log-on to the remote name with everything open through it, so that the
  // next use has to log on again. True when there was one to drop.
  virtual bool DeleteNetUse(const std::string& remoteName) = 0;

  // Why the last AddNetUse that returned false failed, as far as the adapter can tell.
  enum class LogOnFailure {
    kRefused,          // the account, the share, or anything the adapter cannot tell apart
    kNoCommonDialect,  // the server offers no SMB dialect this workstation speaks
  };
  virtual LogOnFailure LastLogOnFailure() const { return LogOnFailure::kRefused; }
};

// For a front end without network access: every log-on is refused.
NetworkSession& NoNetworkSession();

}  // namespace harrowlander
