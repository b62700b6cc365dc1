// Accepts clients (a thread each) and answers browser datagrams until told to stop.
#pragma once

#include <optional>

#include "browser.h"
#include "session.h"

namespace testserver {

struct LoopSockets {
  int listenFd = -1;
  int browserFd = -1;  // -1: no browser responder
  int stopFd = -1;     // readable when the server must stop
};

// Returns after the stop signal, once every client connection has been closed.
void RunServerLoop(const LoopSockets& sockets, SessionServices& services,
                   const BrowserInfo& browser);

}  // namespace testserver
