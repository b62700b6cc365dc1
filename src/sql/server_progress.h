#pragma once

#include <optional>

#include "ports/sql_connection.h"

namespace harrowlander::sql {

// What a backup or restore asks the server for: a message at each percent processed.
inline constexpr const char* kProgressOption = "stats = 1";

// The percentage of a progress message ("30 percent processed.", message 3211); nothing
// for any other message.
std::optional<int> PercentProcessed(const ServerMessage& message);

}  // namespace harrowlander::sql
