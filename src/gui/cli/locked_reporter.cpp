#include "gui/cli/locked_reporter.h"

namespace harrowlander::cli {

void LockedReporter::Status(const std::string& text) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_lastStatus = text;
  m_reporter->Status(text);
}

void LockedReporter::Message(const std::string& text, const std::string& caption,
                             const std::string& answer) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->Message(text, caption, answer);
}

void LockedReporter::Progress(std::uint64_t total, std::uint64_t copied) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->Progress(total, copied);
}

void LockedReporter::ServerProgress(const std::string& step, int percent) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->ServerProgress(step, percent);
}

void LockedReporter::Listed(const std::string& kind, const std::string& name) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->Listed(kind, name);
}

void LockedReporter::Error(const std::string& text) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->Error(text);
}

void LockedReporter::Signal(const std::string& signal, const std::string& text) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->Signal(signal, text);
}

void LockedReporter::DatabaseEnded(const DatabaseBackupResult& result) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->DatabaseEnded(result);
}

void LockedReporter::Deleted(const Deletion& deletion) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->Deleted(deletion);
}

void LockedReporter::Finished(const RunResult& result) {
  const std::lock_guard<std::mutex> lock(m_lock);
  m_reporter->Finished(result);
}

void LockedReporter::Report(
    const std::function<void(Reporter&, const std::string& lastStatus)>& report) {
  const std::lock_guard<std::mutex> lock(m_lock);
  report(*m_reporter, m_lastStatus);
}

}  // namespace harrowlander::cli
