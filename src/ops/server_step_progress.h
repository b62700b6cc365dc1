#pragma once

#include <string>

#include "ports/platform.h"
#include "ports/run_progress.h"
#include "ports/sql_connection.h"

namespace harrowlander {

// Shows a long server step's progress as the server reports it: "<text> 30%" painted
// on the status line (the status field keeps the step's own text) and the figures for
// the front ends that show more.
ServerMessageHandler ShowServerProgress(Platform& platform, RunProgress::Step step,
                                        std::string text);

}  // namespace harrowlander
