#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct _SMBCCTX;

namespace harrowlander::smb {

// "\\server\share\rest" taken apart; rest may be empty.
struct UncPath {
  std::string server;
  std::string share;
  std::string rest;  // backslashes as in the UNC path
};
std::optional<UncPath> ParseUncPath(const std::string& path);

// "smb://server/share/rest", every byte outside the URL's plain characters escaped.
std::string SmbUrl(const UncPath& path);

// The one libsmbclient context of the process and the accounts of its network uses.
// libsmbclient is not thread-safe even across contexts, so every call into it is made
// under one process-wide lock: take Lock() around each call.
class SmbClient {
 public:
  // SMB2 and SMB3 only; never an anonymous log-on; no Kerberos. A port of 0 is the
  // standard one.
  explicit SmbClient(int port = 0);
  ~SmbClient();
  SmbClient(const SmbClient&) = delete;
  SmbClient& operator=(const SmbClient&) = delete;

  static std::unique_lock<std::mutex> Lock();
  _SMBCCTX* Context() const { return m_context; }

  // The account a share is logged on with. Called under the lock.
  struct Account {
    std::string domain;  // empty: the client's own workgroup
    std::string user;
    std::string password;
  };
  void SetAccount(const UncPath& share, Account account);
  bool ForgetAccount(const UncPath& share);
  bool HasAccount(const UncPath& path) const;
  const Account* FindAccount(const std::string& server, const std::string& share) const;

  // Drops every cached connection, so that the next request logs on again with the
  // account as it stands then. Called under the lock.
  void DropConnections();

 private:
  static std::string Key(const std::string& server, const std::string& share);

  _SMBCCTX* m_context = nullptr;
  std::map<std::string, Account> m_accounts;
};

}  // namespace harrowlander::smb
