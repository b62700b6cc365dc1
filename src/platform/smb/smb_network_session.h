#pragma once

#include "platform/smb/smb_client.h"
#include "ports/network_session.h"

namespace harrowlander::smb {

// Network uses of SMB shares, kept as accounts of the process's SMB client.
class SmbNetworkSession : public NetworkSession {
 public:
  explicit SmbNetworkSession(SmbClient& client) : m_client(client) {}

  // Logs on at once, so that a refused account shows here and not at the first file.
  // A domain-qualified "DOMAIN\user" logs on to that domain.
  bool AddNetUse(const std::string& remoteName, const std::string& user,
                 const std::string& password) override;
  // Forgets the account and drops the connections the client holds.
  bool DeleteNetUse(const std::string& remoteName) override;
  // A refusal that the server's answers do not explain is looked into once more: a
  // connection of its own offers the server our dialects, and nothing else.
  LogOnFailure LastLogOnFailure() const override { return m_lastFailure; }

 private:
  SmbClient& m_client;
  LogOnFailure m_lastFailure = LogOnFailure::kRefused;
};

}  // namespace harrowlander::smb
