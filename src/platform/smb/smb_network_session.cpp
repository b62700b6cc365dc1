#include "platform/smb/smb_network_session.h"

#include <cerrno>

#include "platform/smb/dialect_probe.h"

extern "C" {
#include <libsmbclient.h>
}

namespace harrowlander::smb {
namespace {

// The library's errors for a server that answered past the negotiation (a refused
// account, a missing share) or could not be reached at all; any other error may hide
// a negotiation that failed, which the library reports as a bad argument or a broken
// connection.
bool NegotiationPassedOrNeverStarted(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case ENOENT:
    case ENOTDIR:
    case ECONNREFUSED:
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
      return true;
    default:
      return false;
  }
}

}  // namespace

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

  m_lastFailure = LogOnFailure::kRefused;
  auto lock = SmbClient::Lock();
  m_client.SetAccount(*share, std::move(account));
  // The client's connection cache ignores passwords: only a fresh connection checks
  // this one.
  m_client.DropConnections();
  SMBCFILE* folder = smbc_getFunctionOpendir(context)(context, SmbUrl(*share).c_str());
  if (folder == nullptr) {
    const int error = errno;
    m_client.ForgetAccount(*share);
    m_client.DropConnections();
    lock.unlock();
    if (!NegotiationPassedOrNeverStarted(error) &&
        ProbeDialects(share->server, m_client.Port()) == DialectAnswer::kNoCommonDialect) {
      m_lastFailure = LogOnFailure::kNoCommonDialect;
    }
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
