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

// The libsmbclient context of the process's network uses, and their accounts. A copy
// opens further contexts of its own for its streams (smb_stream_file.h).
// Locking: what concerns the library as a whole (making and freeing contexts, its
// settings) and every call on this context is made under one process-wide lock, Lock().
// Where the library serves several threads (library_threads.h), a call on a context
// that one thread alone uses needs no lock: take LockForContextCall() around it.
class SmbClient {
 public:
  // Any dialect from SMB1 (NT1) to SMB3, the highest both sides offer; never an
  // anonymous log-on; no Kerberos. A port of 0 is the standard one.
  explicit SmbClient(int port = 0);
  ~SmbClient();
  SmbClient(const SmbClient&) = delete;
  SmbClient& operator=(const SmbClient&) = delete;

  static std::unique_lock<std::mutex> Lock();
  // The process-wide lock where the library does not serve several threads; no lock
  // where it does.
  static std::unique_lock<std::mutex> LockForContextCall();
  // As LockForContextCall() for a call that may connect to the server: the process-wide
  // lock also when the server is reached by name, which goes through the library's
  // process-wide cache of names.
  static std::unique_lock<std::mutex> LockForConnecting(const std::string& server);
  _SMBCCTX* Context() const { return m_context; }
  int Port() const { return m_port; }

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

  int m_port;
  _SMBCCTX* m_context = nullptr;
  std::map<std::string, Account> m_accounts;
};

}  // namespace harrowlander::smb
