// One client connection: PRELOGIN, LOGIN7, then batches until the client leaves.
#pragma once

#include "../server/engine.h"
#include "../server/faults.h"
#include "../server/statement_log.h"

namespace testserver {

struct SessionServices {
  Engine& engine;
  const Faults& faults;
  StatementLog& log;
  std::string serverName;
};

// Serves the connection on `fd` until it closes; does not close `fd`.
void ServeConnection(int fd, int spid, SessionServices& services);

}  // namespace testserver
