// Logins and batches against the shared server state, one at a time under a lock.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "../tds/login7.h"
#include "batch_context.h"
#include "faults.h"
#include "progress.h"
#include "result.h"
#include "server_state.h"

namespace testserver {

struct Account {
  std::string password;
  bool sysadmin = false;
};

struct LoginOutcome {
  bool accepted = false;
  std::vector<ServerMessage> errors;
};

struct BatchOutcome {
  std::vector<StatementResult> results;
  bool cancelled = false;  // the client cancelled while the batch waited: answer nothing
};

// Waits up to `ms` for the client; true when it cancelled or left.
using CancelWatch = std::function<bool(int ms)>;

class Engine {
 public:
  // `faults` (may be null) names the files a batch damages once it has run.
  Engine(ServerState& state, std::map<std::string, Account> accounts,
         const Faults* faults = nullptr)
      : m_state(state), m_accounts(std::move(accounts)), m_faults(faults) {}

  // Fills `session` on success; the errors say why a login was refused.
  LoginOutcome Login(const tds::Login7& login, SessionState& session);
  // A statement that waits (sp_getapplock) lets the other sessions run meanwhile and
  // asks `watch` whether the client cancelled.
  BatchOutcome ExecuteBatch(SessionState& session, std::string_view text,
                            const CancelWatch& watch = {});
  // The progress messages the batch's BACKUP or RESTORE reports while a --delay holds
  // it up; empty when it asks for none.
  std::vector<ProgressStep> ProgressOf(std::string_view text) const;
  // Forgets the session and frees every lock it held.
  void EndSession(const SessionState& session);

 private:
  BatchOutcome Run(SessionState& session, std::string_view text, BatchContext& batch);

  ServerState& m_state;
  std::map<std::string, Account> m_accounts;  // key: lower-case login name
  const Faults* m_faults;
  std::mutex m_mutex;
};

}  // namespace testserver
