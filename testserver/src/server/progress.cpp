#include "progress.h"

#include "messages.h"

namespace testserver {

std::vector<ProgressStep> ProgressSteps(const std::vector<sql::Statement>& statements) {
  for (const sql::Statement& statement : statements) {
    std::optional<int> stats;
    if (auto* backup = std::get_if<sql::BackupDatabaseStatement>(&statement)) {
      stats = backup->stats;
    } else if (auto* restore = std::get_if<sql::RestoreDatabaseStatement>(&statement)) {
      stats = restore->stats;
    }
    if (!stats) {
      continue;
    }
    std::vector<ProgressStep> steps;
    for (int percent = *stats; *stats > 0 && percent <= 100; percent += *stats) {
      steps.push_back(ProgressStep{percent, msg::PercentProcessed(percent)});
    }
    return steps;
  }
  return {};
}

}  // namespace testserver
