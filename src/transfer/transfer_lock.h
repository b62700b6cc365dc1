#pragma once

#include <functional>

#include "ports/sql_connection.h"
#include "ports/system_info.h"
#include "run/stop_request.h"

namespace harrowlander {

// The server's transfer lock: an exclusive application lock that a run of this tool
// holds on its connection for the whole life of a transfer through the server's
// folder and share. The server releases it when that connection ends, however it ends
// (a run killed, a machine switched off), so a lock is never left behind; while a run
// holds it, nothing of the folder and share is any other run's.

// One try, without waiting: true when this connection holds the lock now.
bool TryTakeTransferLock(SqlConnection& connection);

// Takes the lock, waiting while another run holds it: `waiting` is called once when the
// wait begins; the lock is tried about once a second for up to `waitSeconds`, and the
// wait ends early (RunStopped) when a stop is requested. False when the wait ran out.
bool TakeTransferLock(SqlConnection& connection, SystemInfo& system, StopRequest& stop,
                      int waitSeconds, const std::function<void()>& waiting);

void ReleaseTransferLock(SqlConnection& connection);

}  // namespace harrowlander
