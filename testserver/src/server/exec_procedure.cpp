// EXEC of the one procedure this server has, xp_cmdshell.
#include "../text.h"
#include "cmd_shell.h"
#include "executors.h"
#include "messages.h"

namespace testserver {

StatementResult RunExec(ServerState& state, SessionState& session, const sql::ExecStatement& s) {
  const sql::ObjectName& name = s.procedure;
  bool inMaster = name.database.empty() || EqualsNoCase(name.database, "master");
  bool ownerOk = name.owner.empty() || EqualsNoCase(name.owner, "dbo");
  if (!inMaster || !ownerOk || !EqualsNoCase(name.object, "xp_cmdshell")) {
    throw SqlError(msg::ProcedureNotFound(name.object));
  }
  if (!session.sysadmin) {
    throw SqlError(msg::ExecutePermissionDenied("xp_cmdshell"));
  }
  if (!state.xpCmdShellEnabled) {
    throw SqlError(msg::ComponentTurnedOff("sys.xp_cmdshell", "xp_cmdshell"));
  }
  if (s.arguments.empty() || s.arguments.front().kind != sql::Operand::Kind::String) {
    throw SqlError(ServerMessage{50001, 1, 16,
                                 "xp_cmdshell: argument must be a string of the command to run."});
  }
  ShellOutput output = RunShellCommand(state, s.arguments.front().text);
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
