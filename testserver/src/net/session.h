// One client connection: PRELOGIN, LOGIN7, then batches until the client leaves.
#pragma once

#include "../server/engine.h"
#include "../server/faults.h"
#include "../server/statement_log.h"
#include "../tds/prelogin.h"
#include "../tds/protocol_version.h"
#include "../tds/tls_context.h"

namespace testserver {

struct SessionServices {
  Engine& engine;
  const Faults& faults;
  StatementLog& log;
  std::string serverName;
  tds::TdsVersion tdsVersion = tds::TdsVersion::k74;  // the newest dialect spoken
  tds::ProductVersion productVersion;                 // the release's, in every dialect
  tds::ServerEncryption encryption = tds::ServerEncryption::kNotSupported;
  const tds::TlsContext* tls = nullptr;  // set unless encryption is kNotSupported
};

// Serves the connection on `fd` until it closes; does not close `fd`.
void ServeConnection(int fd, int spid, SessionServices& services);

}  // namespace testserver
