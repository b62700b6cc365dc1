#pragma once

#include <chrono>
#include <exception>

#include "ports/com_error.h"
#include "run/run_outcome.h"
#include "run/stop_request.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {

// One run of an operation, from its first step to its end, however it ends: stop
// requests reach it meanwhile, and its outcome is recorded for the front ends as it
// ends, with the last status shown and the time it took. The outcome says the run
// failed unless the operation says otherwise.
class OperationRun {
 public:
  explicit OperationRun(CHarrowlanderDlg& dlg);
  ~OperationRun();
  OperationRun(const OperationRun&) = delete;
  OperationRun& operator=(const OperationRun&) = delete;

  StopRequest& Stop() { return m_dlg.m_stop; }

  // Ends with the result and records it as nothing done, done or stopped.
  int NothingDone();
  int Done(int result = kRanToItsEnd);
  int Failed(int result);
  // The stop reached the operation: its clean-up is done; the status says so.
  int Stopped(const std::string& status);
  // An error of the server, or of anything else, ended the operation: its text goes
  // on the status line and the run failed with kStopped.
  int Failed(const ComError& error);
  int Failed(const std::exception& error);

  RunOutcome outcome;

 private:
  CHarrowlanderDlg& m_dlg;
  RunScope m_scope;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace harrowlander
