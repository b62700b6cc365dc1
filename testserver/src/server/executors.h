// One function per statement family. Each runs under the engine's lock and throws
// SqlError for the errors the played server reports.
#pragma once

#include "../sql/statements.h"
#include "batch_context.h"
#include "result.h"
#include "server_state.h"

namespace testserver {

StatementResult RunSelect(ServerState& state, SessionState& session, const sql::SelectStatement& s,
                          BatchContext& batch);
StatementResult RunUse(ServerState& state, SessionState& session, const sql::UseStatement& s);
StatementResult RunBackupDatabase(ServerState& state, SessionState& session,
                                  const sql::BackupDatabaseStatement& s, BatchContext& batch);
StatementResult RunBackupLog(ServerState& state, SessionState& session,
                             const sql::BackupLogStatement& s);
StatementResult RunRestoreFileList(ServerState& state, SessionState& session,
                                   const sql::RestoreFileListStatement& s);
StatementResult RunRestoreVerify(ServerState& state, SessionState& session,
                                 const sql::RestoreVerifyStatement& s);
StatementResult RunRestoreDatabase(ServerState& state, SessionState& session,
                                   const sql::RestoreDatabaseStatement& s);
StatementResult RunDropDatabase(ServerState& state, SessionState& session,
                                const sql::DropDatabaseStatement& s);
StatementResult RunDropTable(ServerState& state, SessionState& session,
                             const sql::DropTableStatement& s);
StatementResult RunShrinkDatabase(ServerState& state, SessionState& session,
                                  const sql::ShrinkDatabaseStatement& s);
StatementResult RunCheckDb(ServerState& state, SessionState& session,
                           const sql::CheckDbStatement& s);
StatementResult RunExec(ServerState& state, SessionState& session, const sql::ExecStatement& s,
                        BatchContext& batch);
void RunDeclare(BatchContext& batch, const sql::DeclareStatement& s);

}  // namespace testserver
