#include "engine.h"

#include <thread>

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
  m_state.sessions[session.spid] =
      ConnectedSession{login.userName, login.hostName, login.appName, database->name};
  return {true, {}};
}

BatchOutcome Engine::ExecuteBatch(SessionState& session, std::string_view text,
                                  const CancelWatch& watch) {
  std::unique_lock lock(m_mutex);
  BatchContext batch;
  if (m_faults) {
    batch.cutBackupTo = m_faults->FailPartwayFor(std::string(text));
  }
  batch.pause = [&](int ms) {
    lock.unlock();
    bool stop = false;
    if (watch) {
      stop = watch(ms);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    lock.lock();
    return !stop;
  };
  BatchOutcome outcome = Run(session, text, batch);
  if (m_faults && !outcome.cancelled) {
    m_faults->DamageFilesAfter(std::string(text), m_state.paths);
  }
  return outcome;
}

std::vector<ProgressStep> Engine::ProgressOf(std::string_view text) const {
  // The code page is settled before the first client comes, so no lock is needed.
  try {
    return ProgressSteps(sql::ParseBatch(
        text, m_state.literalPage ? &*m_state.literalPage : nullptr, m_state.product));
  } catch (const SqlError&) {
    return {};
  }
}

BatchOutcome Engine::Run(SessionState& session, std::string_view text, BatchContext& batch) {
  BatchOutcome outcome;
  std::vector<StatementResult>& results = outcome.results;
  std::vector<sql::Statement> statements;
  try {
    statements = sql::ParseBatch(text, m_state.literalPage ? &*m_state.literalPage : nullptr,
                                 m_state.product);
  } catch (const SqlError& error) {
    StatementResult failed;
    failed.messages = error.messages;
    failed.failed = true;
    results.push_back(std::move(failed));
    return outcome;
  }
  for (const sql::Statement& statement : statements) {
    // DECLARE only names variables; the server answers nothing for it.
    if (auto* declare = std::get_if<sql::DeclareStatement>(&statement)) {
      RunDeclare(batch, *declare);
      continue;
    }
    try {
      results.push_back(std::visit(
          [&](const auto& s) -> StatementResult {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, sql::SelectStatement>) {
              return RunSelect(m_state, session, s, batch);
            } else if constexpr (std::is_same_v<T, sql::UseStatement>) {
              return RunUse(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::SetStatement>) {
              return StatementResult{};
            } else if constexpr (std::is_same_v<T, sql::BackupDatabaseStatement>) {
              return RunBackupDatabase(m_state, session, s, batch);
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
            } else if constexpr (std::is_same_v<T, sql::CheckDbStatement>) {
              return RunCheckDb(m_state, session, s);
            } else if constexpr (std::is_same_v<T, sql::ExecStatement>) {
              return RunExec(m_state, session, s, batch);
            } else {
              return StatementResult{};  // DECLARE, answered above
            }
          },
          statement));
    } catch (const BatchCancelled&) {
      outcome.cancelled = true;
      return outcome;
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
  return outcome;
}

void Engine::EndSession(const SessionState& session) {
  std::lock_guard lock(m_mutex);
  m_state.sessions.erase(session.spid);
  m_state.appLocks.ReleaseAll(session.spid);
}

}  // namespace testserver
