// USE: changes the session's current database.
#include "executors.h"
#include "messages.h"

namespace testserver {

StatementResult RunUse(ServerState& state, SessionState& session, const sql::UseStatement& s) {
  auto entry = state.catalog.Find(s.database);
  if (!entry) {
    throw SqlError(msg::NoSuchDatabase(s.database));
  }
  session.database = entry->name;
  state.sessions[session.spid].database = entry->name;
  StatementResult result;
  result.databaseChange = entry->name;
  result.messages.push_back(msg::ChangedDatabase(entry->name));
  return result;
}

}  // namespace testserver
