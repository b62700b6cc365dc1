// sp_getapplock and sp_releaseapplock. Only session-owned locks can be had: this server
// keeps no transactions, so a lock owned by the transaction is refused as outside one.
#include <algorithm>
#include <chrono>

#include "../text.h"
#include "messages.h"
#include "procedures.h"

namespace testserver {

namespace {

using Clock = std::chrono::steady_clock;

// How long a waiting request sleeps between looks at the lock and at the client.
constexpr int kWaitSliceMs = 20;
constexpr size_t kResourceCharacters = 255;  // nvarchar(255): a longer name is cut

StatementResult Status(int32_t status, std::vector<ServerMessage> messages = {}) {
  StatementResult result;
  result.failed = std::any_of(messages.begin(), messages.end(),
                              [](const ServerMessage& m) { return m.IsError(); });
  result.messages = std::move(messages);
  result.returnStatus = status;
  return result;
}

// Locks live in the session's current database, per principal and name.
AppLockKey KeyFor(const ServerState& state, const SessionState& session,
                  const std::string& resource, const std::string& principal) {
  auto database = state.catalog.Find(session.database);
  std::u16string name = Utf8ToUtf16(resource);
  name.resize(std::min(name.size(), kResourceCharacters));
  return AppLockKey{database ? database->dbid : 0, ToLower(principal), Utf16ToUtf8(name)};
}

// nullopt for a session-owned lock, else the answer to any other owner.
std::optional<StatementResult> RefuseOwner(const std::string& owner) {
  if (EqualsNoCase(owner, "Session")) {
    return std::nullopt;
  }
  if (EqualsNoCase(owner, "Transaction")) {
    return Status(-999, {msg::TransactionalAppLockWithoutTransaction()});
  }
  return Status(-999, {msg::OptionNotRecognized(owner, "@LockOwner")});
}

}  // namespace

StatementResult RunGetAppLock(ServerState& state, SessionState& session,
                              const sql::ExecStatement& s, BatchContext& batch) {
  ProcedureArguments args("sp_getapplock",
                          {"@Resource", "@LockMode", "@LockOwner", "@LockTimeout", "@DbPrincipal"},
                          s, batch);
  Cell resource = args.Required("@Resource");
  args.Required("@LockMode");
  std::string modeName = args.Text("@LockMode", "");
  auto mode = ParseAppLockMode(modeName);
  if (!mode) {
    return Status(-999, {msg::OptionNotRecognized(modeName, "@LockMode")});
  }
  if (auto refused = RefuseOwner(args.Text("@LockOwner", "Transaction"))) {
    return *refused;
  }
  // The default is @@LOCK_TIMEOUT, which is -1 (wait for ever) unless SET LOCK_TIMEOUT
  // changed it.
  auto timeout = args.Number("@LockTimeout", -1);
  if (!resource || !timeout || *timeout < -1) {
    return Status(-999);
  }
  AppLockKey key =
      KeyFor(state, session, args.Text("@Resource", ""), args.Text("@DbPrincipal", "public"));
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max<int64_t>(*timeout, 0));
  for (bool waited = false;; waited = true) {
    if (state.appLocks.TryAcquire(key, *mode, session.spid)) {
      return Status(waited ? 1 : 0);
    }
    int slice = kWaitSliceMs;
    if (*timeout >= 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) {
        return Status(-1);
      }
      slice = static_cast<int>(std::min<int64_t>(slice, left.count()));
    }
    if (!batch.pause(slice)) {
      throw BatchCancelled{};
    }
  }
}

StatementResult RunReleaseAppLock(ServerState& state, SessionState& session,
                                  const sql::ExecStatement& s, BatchContext& batch) {
  ProcedureArguments args("sp_releaseapplock", {"@Resource", "@LockOwner", "@DbPrincipal"}, s,
                          batch);
  args.Required("@Resource");
  std::string owner = args.Text("@LockOwner", "Transaction");
  if (!EqualsNoCase(owner, "Session") && !EqualsNoCase(owner, "Transaction")) {
    return Status(-999, {msg::OptionNotRecognized(owner, "@LockOwner")});
  }
  std::string resource = args.Text("@Resource", "");
  std::string principal = args.Text("@DbPrincipal", "public");
  // Without transactions no lock is ever owned by one.
  if (EqualsNoCase(owner, "Session") &&
      state.appLocks.Release(KeyFor(state, session, resource, principal), session.spid)) {
    return Status(0);
  }
  return Status(-999, {msg::AppLockNotHeld(state.product, principal, resource)});
}

}  // namespace testserver
