// What the statements of one batch share: its variables, the fault that applies to
// its backups, and a way to wait without holding up the other sessions.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "../text.h"
#include "result.h"

namespace testserver {

struct Variable {
  ColumnType type = ColumnType::Int;
  Cell value;  // NULL until assigned
};

struct BatchContext {
  std::map<std::string, Variable> variables;  // key: lower-case name with its @
  // --fail-partway: a BACKUP DATABASE leaves its file cut to this size and fails.
  std::optional<uint64_t> cutBackupTo;
  // Waits up to `ms` with the engine free for other sessions; false when the client
  // cancelled or left meanwhile, and the batch must stop.
  std::function<bool(int ms)> pause = [](int) { return true; };

  Variable* Find(std::string_view name) {
    auto it = variables.find(ToLower(name));
    return it == variables.end() ? nullptr : &it->second;
  }
};

// Thrown when the client cancels a batch that waits; the batch ends without output.
struct BatchCancelled {};

}  // namespace testserver
