#include "run/stop_request.h"

namespace harrowlander {

bool StopRequest::Request() {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_state != State::kRunning && m_state != State::kRequested) {
    return false;
  }
  m_state = State::kRequested;
  // Under the lock, so that a registration cannot end while its cancel runs.
  for (const std::function<void()>& cancel : m_cancels) {
    cancel();
  }
  return true;
}

bool StopRequest::IsRequested() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_state == State::kRequested || m_state == State::kStopping;
}

bool StopRequest::Acknowledge() {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_state != State::kRequested) {
    return false;
  }
  m_state = State::kStopping;
  return true;
}

bool StopRequest::IsStopping() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_state == State::kStopping;
}

bool StopRequest::IsEnding() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_state == State::kIdle || m_state == State::kStopping || m_state == State::kCleaningUp;
}

void StopRequest::BeginCleanUp() {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_state == State::kRunning || m_state == State::kRequested) {
    m_state = State::kCleaningUp;
  }
}

StopRequest::Registration StopRequest::OnRequest(std::function<void()> cancel) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_cancels.push_back(std::move(cancel));
  return Registration(*this, std::prev(m_cancels.end()));
}

void StopRequest::Unregister(Cancels::iterator cancel) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_cancels.erase(cancel);
}

void StopRequest::BeginRun() {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_state == State::kIdle) {
    m_state = State::kRunning;
  }
}

void StopRequest::EndRun() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_state = State::kIdle;
}

}  // namespace harrowlander
