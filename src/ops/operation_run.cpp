#include "ops/operation_run.h"

namespace harrowlander {

OperationRun::OperationRun(CHarrowlanderDlg& dlg) : m_dlg(dlg), m_scope(dlg.m_stop) {
  outcome.state = RunOutcome::State::kFailed;
  m_dlg.m_lastStatusShown.clear();
}

OperationRun::~OperationRun() {
  outcome.status = m_dlg.m_lastStatusShown;
  outcome.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  m_dlg.m_outcome = outcome;
}

int OperationRun::NothingDone() {
  outcome.state = RunOutcome::State::kNothingDone;
  return kNothingDone;
}

int OperationRun::Done(int result) {
  outcome.state = RunOutcome::State::kDone;
  return result;
}

int OperationRun::Failed(int result) {
  outcome.state = RunOutcome::State::kFailed;
  return result;
}

int OperationRun::Stopped(const std::string& status) {
  m_dlg.SetStatus(status);
  outcome.state = RunOutcome::State::kStopped;
  return kStopped;
}

int OperationRun::Failed(const ComError& error) {
  m_dlg.ReportComError(error);
  return Failed(kStopped);
}

int OperationRun::Failed(const std::exception& error) {
  m_dlg.ReportFailure(error);
  return Failed(kStopped);
}

}  // namespace harrowlander
