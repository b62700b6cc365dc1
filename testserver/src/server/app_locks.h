// Application locks (sp_getapplock): named locks that sessions hold and wait for, each
// in one database and for one database principal. A session's own holds never block
// it; taking a lock again counts, and each release takes back one count.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace testserver {

enum class AppLockMode { Shared, Update, IntentShared, IntentExclusive, Exclusive };

// The @LockMode names, without regard to case; nullopt for any other text.
std::optional<AppLockMode> ParseAppLockMode(std::string_view text);

struct AppLockKey {
  int dbid = 0;
  std::string principal;  // lower case
  std::string resource;   // as given: compared byte for byte
  bool operator<(const AppLockKey& other) const {
    return std::tie(dbid, principal, resource) <
           std::tie(other.dbid, other.principal, other.resource);
  }
};

class AppLocks {
 public:
  // Grants `mode` to `spid` unless another session holds a mode that conflicts with it.
  bool TryAcquire(const AppLockKey& key, AppLockMode mode, int spid);
  // Takes back one count; false when `spid` does not hold the lock.
  bool Release(const AppLockKey& key, int spid);
  // Everything `spid` holds, as when its connection ends.
  void ReleaseAll(int spid);

 private:
  struct Hold {
    unsigned modes = 0;  // every mode granted, one bit each: the lock keeps the strongest
    int count = 0;
  };
  std::map<AppLockKey, std::map<int, Hold>> m_held;  // by spid
};

}  // namespace testserver
