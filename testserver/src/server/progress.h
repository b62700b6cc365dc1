// The progress a BACKUP DATABASE or RESTORE DATABASE WITH STATS reports as it goes.
#pragma once

#include <vector>

#include "../sql/statements.h"
#include "result.h"

namespace testserver {

struct ProgressStep {
  int percent = 0;  // of the work done when the message comes
  ServerMessage message;
};

// "N percent processed." every STATS percent of the first such statement of the batch,
// up to 100; empty when none asks for progress.
std::vector<ProgressStep> ProgressSteps(const std::vector<sql::Statement>& statements);

}  // namespace testserver
