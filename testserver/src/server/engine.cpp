#include "engine.h"

#include "../sql/parser.h"
#include "../text.h"
#include "executors.h"
#include "messages.h"

namespace testserver {

LoginOutcome Engine::Login(const tds::Login7& login, SessionState& session) {
  std::lock_guard lock(m_mutex);
  if (login.integratedSecurity) {
    return {false, {msg::NotTrusted()}};
  }
  auto account = m_accounts.find(ToLower(login.userName));
  // On a server with a case-insensitive sort order, this generation compares login
  // names and passwords without regard to case.
  if (account == m_accounts.end() || !EqualsNoCase(account->second.password, login.password)) {
    return {false, {msg::LoginFailed(login.userName)}};
  }
  std::string requested = login.database.empty() ? "master" : login.database;
  auto database = m_state.catalog.Find(requested);
  if (!database) {
    return {false, {msg::CannotOpenLoginDatabase(requested), msg::LoginFailed(login.userName)}};
  }
  session.login = login.userName;
  session.sysadmin = account->second.sysadmin;
  session.database = database->name;
  m_state.sessionDatabases[session.spid] = database->name;
  return {true, {}};
}

std::vector<StatementResult> Engine::ExecuteBatch(SessionState& session, std::string_view text) {
  std::lock_guard lock(m_mutex);
  std::vector<StatementResult> results = Run(session, text);
  if (m_faults) {
    m_faults->DamageFilesAfter(std::string(text), m_state.paths);
  }
  return results;
}

std::vector<StatementResult> Engine::Run(SessionState& session, std::string_view text) {
  std::vector<StatementResult> results;
  std::vector<sql::Statement> statements;
  try {
    statements = sql::ParseBatch(text, m_state.literalPage ? &*m_state.literalPage : nullptr);
  } catch (const SqlError& error) {
    StatementResult failed;
    failed.messages = error.messages;
    failed.failed = true;
    results.push_back(std::move(failed));
    return results;
  }
  for (const sql::Statement& statement : statements) {
    try {
      results.push_back(std::visit(
          [&](const auto& s) -> StatementResult {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, sql::SelectStatement>) {
              return RunSelect(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::UseStatement>) {
              return RunUse(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::SetStatement>) {
              return StatementResult{};
            } else if constexpr (std::is_same_v<T, sql::BackupDatabaseStatement>) {
              return RunBackupDatabase(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::BackupLogStatement>) {
              return RunBackupLog(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::RestoreFileListStatement>) {
              return RunRestoreFileList(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::RestoreVerifyStatement>) {
              return RunRestoreVerify(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::RestoreDatabaseStatement>) {
              return RunRestoreDatabase(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::DropDatabaseStatement>) {
              return RunDropDatabase(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::DropTableStatement>) {
              return RunDropTable(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::ShrinkDatabaseStatement>) {
              return RunShrinkDatabase(m_state, session, s);
            } else {
              return RunExec(m_state, session, s);
            }
          },
          statement));
    } catch (const SqlError& error) {
      StatementResult failed;
      failed.messages = error.messages;
      failed.failed = true;
      results.push_back(std::move(failed));
    } catch (const std::exception& error) {
      // A fault of this server rather than of the statement: report it as the
      // played server reports an internal error.
      StatementResult failed;
      failed.messages.push_back(
          ServerMessage{50000, 1, 16, std::string("testserver internal error: ") + error.what()});
      failed.failed = true;
      results.push_back(std::move(failed));
    }
  }
  return results;
}

void Engine::EndSession(const SessionState& session) {
  std::lock_guard lock(m_mutex);
  m_state.sessionDatabases.erase(session.spid);
}

}  // namespace testserver
