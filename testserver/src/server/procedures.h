// The procedures EXEC reaches, and how their arguments bind to their parameters.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../sql/statements.h"
#include "batch_context.h"
#include "result.h"
#include "server_state.h"

namespace testserver {

// The values of an EXEC's arguments by parameter: positional ones in the parameters'
// order, named ones by name (without regard to case); variables read from the batch.
// Throws 8144 for too many arguments and 8145 for a name the procedure lacks.
class ProcedureArguments {
 public:
  ProcedureArguments(std::string procedure, const std::vector<std::string>& parameters,
                     const sql::ExecStatement& s, BatchContext& batch);

  bool Given(const std::string& parameter) const;
  // Throws 201 when the argument was not given.
  Cell Required(const std::string& parameter) const;
  // The argument as text or as a number; `fallback` when not given or NULL.
  std::string Text(const std::string& parameter, const std::string& fallback) const;
  std::optional<int64_t> Number(const std::string& parameter, int64_t fallback) const;

 private:
  std::string m_procedure;
  std::map<std::string, Cell> m_values;  // key: lower-case parameter name
};

// The value an argument stands for: a literal, or a variable of the batch.
Cell ArgumentValue(const sql::Operand& operand, BatchContext& batch);

StatementResult RunCmdShell(ServerState& state, SessionState& session, const sql::ExecStatement& s,
                            BatchContext& batch);
StatementResult RunDirTree(ServerState& state, SessionState& session, const sql::ExecStatement& s,
                           BatchContext& batch);
StatementResult RunGetAppLock(ServerState& state, SessionState& session,
                              const sql::ExecStatement& s, BatchContext& batch);
StatementResult RunReleaseAppLock(ServerState& state, SessionState& session,
                                  const sql::ExecStatement& s, BatchContext& batch);

}  // namespace testserver
