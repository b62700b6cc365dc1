// Logins and batches against the shared server state, one at a time under a lock.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "../tds/login7.h"
#include "faults.h"
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

class Engine {
 public:
  // `faults` (may be null) names the files a batch damages once it has run.
  Engine(ServerState& state, std::map<std::string, Account> accounts,
         const Faults* faults = nullptr)
      : m_state(state), m_accounts(std::move(accounts)), m_faults(faults) {}

  // Fills `session` on success; the errors say why a login was refused.
  LoginOutcome Login(const tds::Login7& login, SessionState& session);
  std::vector<StatementResult> ExecuteBatch(SessionState& session, std::string_view text);
  void EndSession(const SessionState& session);

 private:
  std::vector<StatementResult> Run(SessionState& session, std::string_view text);

  ServerState& m_state;
  std::map<std::string, Account> m_accounts;  // key: lower-case login name
  const Faults* m_faults;
  std::mutex m_mutex;
};

}  // namespace testserver
