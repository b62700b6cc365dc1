#include "platform/smb/smb_network_session.h"

extern "C" {
#include <libsmbclient.h>
}

namespace harrowlander::smb {

bool SmbNetworkSession::AddNetUse(const std::string& remoteName, const std::string& user,
                                  const std::string& password) {
  const std::optional<UncPath> share = ParseUncPath(remoteName);
  SMBCCTX* context = m_client.Context();
  if (!share || context == nullptr) {
    return false;
  }
  SmbClient::Account account{{}, user, password};
  if (const std::size_t slash = user.find('\\'); slash != std::string::npos) {
    account = {user.substr(0, slash), user.substr(slash + 1), password};
  }

  auto lock = SmbClient::Lock();
  m_client.SetAccount(*share, std::move(account));
  // The client's connection cache ignores passwords: only a fresh connection checks
  // this one.
  m_client.DropConnections();
  SMBCFILE* folder = smbc_getFunctionOpendir(context)(context, SmbUrl(*share).c_str());
  if (folder == nullptr) {
    m_client.ForgetAccount(*share);
    m_client.DropConnections();
    return false;
  }
  smbc_getFunctionClosedir(context)(context, folder);
  return true;
}

bool SmbNetworkSession::DeleteNetUse(const std::string& remoteName) {
  const std::optional<UncPath> share = ParseUncPath(remoteName);
  if (!share) {
    return false;
  }
  auto lock = SmbClient::Lock();
  const bool existed = m_client.ForgetAccount(*share);
  m_client.DropConnections();
  return existed;
}

}  // namespace harrowlander::smb
