// EXEC of the procedures this server has: xp_cmdshell, xp_dirtree, sp_getapplock and
// sp_releaseapplock; and DECLARE of the variables that take their return status.
#include "../text.h"
#include "cmd_shell.h"
#include "executors.h"
#include "messages.h"
#include "procedures.h"

namespace testserver {

namespace {

// The extended procedures live in master; a system procedure (sp_) is found from any
// database.
bool Reachable(const sql::ObjectName& name) {
  bool inMaster = name.database.empty() || EqualsNoCase(name.database, "master");
  bool ownerOk =
      name.owner.empty() || EqualsNoCase(name.owner, "dbo") || EqualsNoCase(name.owner, "sys");
  return ownerOk && (inMaster || ToLower(name.object).rfind("sp_", 0) == 0);
}

ColumnType TypeNamed(const std::string& type) {
  for (const char* integer : {"int", "smallint", "tinyint", "bigint", "bit"}) {
    if (EqualsNoCase(type, integer)) {
      return ColumnType::Int;
    }
  }
  return ColumnType::NVarChar;
}

}  // namespace

void RunDeclare(BatchContext& batch, const sql::DeclareStatement& s) {
  for (const auto& variable : s.variables) {
    batch.variables[ToLower(variable.name)] = Variable{TypeNamed(variable.type), Cell{}};
  }
}

StatementResult RunExec(ServerState& state, SessionState& session, const sql::ExecStatement& s,
                        BatchContext& batch) {
  using Runner =
      StatementResult (*)(ServerState&, SessionState&, const sql::ExecStatement&, BatchContext&);
  static const std::pair<const char*, Runner> kProcedures[] = {
      {"xp_cmdshell", RunCmdShell},
      {"xp_dirtree", RunDirTree},
      {"sp_getapplock", RunGetAppLock},
      {"sp_releaseapplock", RunReleaseAppLock},
  };
  const sql::ObjectName& name = s.procedure;
  for (const auto& [procedure, run] : kProcedures) {
    if (!EqualsNoCase(name.object, procedure) || !Reachable(name)) {
      continue;
    }
    StatementResult result = run(state, session, s, batch);
    if (Variable* target = batch.Find(s.returnVariable); target && result.returnStatus) {
      target->value = int64_t{*result.returnStatus};
    }
    return result;
  }
  throw SqlError(msg::ProcedureNotFound(name.object));
}

StatementResult RunCmdShell(ServerState& state, SessionState& session, const sql::ExecStatement& s,
                            BatchContext& batch) {
  if (!session.sysadmin) {
    throw SqlError(msg::ExecutePermissionDenied("xp_cmdshell"));
  }
  if (!state.xpCmdShellEnabled) {
    throw SqlError(msg::ComponentTurnedOff("sys.xp_cmdshell", "xp_cmdshell"));
  }
  Cell command = s.arguments.empty() ? Cell{} : ArgumentValue(s.arguments.front(), batch);
  if (!command || !std::holds_alternative<std::string>(*command)) {
    throw SqlError(ServerMessage{50001, 1, 16,
                                 "xp_cmdshell: argument must be a string of the command to run."});
  }
  ShellOutput output = RunShellCommand(state, std::get<std::string>(*command));
  ResultSet rows{{Column{"output", ColumnType::NVarChar, 255, true}}, {}};
  for (const auto& line : output.lines) {
    rows.rows.push_back({line ? Cell{*line} : Cell{}});
  }
  rows.rows.push_back({Cell{}});
  StatementResult result;
  result.rows = std::move(rows);
  // xp_cmdshell reports failure as 1, whatever the command's exit code was.
  result.returnStatus = output.status == 0 ? 0 : 1;
  return result;
}

}  // namespace testserver
