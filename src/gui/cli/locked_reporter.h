#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "gui/cli/reporter.h"

namespace harrowlander::cli {

// The command's reporter, shared with the thread that handles signals: calls take
// turns, so that nothing is written from the other's half-changed state (a progress
// bar not yet ended by its line break).
class LockedReporter : public Reporter {
 public:
  explicit LockedReporter(std::unique_ptr<Reporter> reporter) : m_reporter(std::move(reporter)) {}

  void Status(const std::string& text) override;
  void Message(const std::string& text, const std::string& caption,
               const std::string& answer) override;
  void Progress(std::uint64_t total, std::uint64_t copied) override;
  void ServerProgress(const std::string& step, int percent) override;
  void Listed(const std::string& kind, const std::string& name) override;
  void Error(const std::string& text) override;
  void Signal(const std::string& signal, const std::string& text) override;
  void DatabaseEnded(const DatabaseBackupResult& result) override;
  void Deleted(const Deletion& deletion) override;
  void Finished(const RunResult& result) override;

  // Several calls in one turn, given the last status reported as well.
  void Report(const std::function<void(Reporter&, const std::string& lastStatus)>& report);

 private:
  std::mutex m_lock;
  std::unique_ptr<Reporter> m_reporter;
  std::string m_lastStatus;
};

}  // namespace harrowlander::cli
