#include "transfer/transfer_lock.h"

#include <cstdint>
#include <memory>
#include <string>

#include "run/run_stopped.h"
#include "sql/server_connection.h"

namespace harrowlander {
namespace {

// sp_getapplock answers 0 (granted) or 1 (granted after waiting); below 0 it was not.
constexpr const char* kTryLock =
    "declare @result int exec @result=sp_getapplock @Resource='BKSQLData$',"
    "@LockMode='Exclusive',@LockOwner='Session',@LockTimeout=0 select @result as result";
constexpr const char* kReleaseLock =
    "exec sp_releaseapplock @Resource='BKSQLData$',@LockOwner='Session'";

constexpr unsigned kPollMilliseconds = 1000;
constexpr unsigned kStopCheckMilliseconds = 100;

}  // namespace

bool TryTakeTransferLock(SqlConnection& connection) {
  std::unique_ptr<SqlRecordset> rows = sql::ExecuteForRows(connection, kTryLock);
  const std::string result = rows->IsEof() ? "" : sql::ReadColumnText(*rows, "result");
  rows->Close();
  return !result.empty() && result.front() != '-';
}

bool TakeTransferLock(SqlConnection& connection, SystemInfo& system, StopRequest& stop,
                      int waitSeconds, const std::function<void()>& waiting) {
  if (TryTakeTransferLock(connection)) {
    return true;
  }
  waiting();
  const std::uint32_t start = system.TickCount();
  const std::uint64_t limit = static_cast<std::uint64_t>(waitSeconds) * 1000;
  // Bounded by the number of tries as well, whatever the clock says.
  for (int tries = 0; tries < waitSeconds; ++tries) {
    for (unsigned slept = 0; slept < kPollMilliseconds; slept += kStopCheckMilliseconds) {
      StopHereIfRequested(stop);
      system.Sleep(kStopCheckMilliseconds);
    }
    if (TryTakeTransferLock(connection)) {
      return true;
    }
    if (static_cast<std::uint32_t>(system.TickCount() - start) >= limit) {
      break;
    }
  }
  return false;
}

void ReleaseTransferLock(SqlConnection& connection) {
  sql::ExecuteStatement(connection, kReleaseLock);
}

}  // namespace harrowlander
