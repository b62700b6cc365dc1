#include "gui/cli/port_witness.h"

namespace harrowlander::cli {
namespace {

class WatchedRecordset : public SqlRecordset {
 public:
  WatchedRecordset(std::unique_ptr<SqlRecordset> recordset, bool& completed)
      : m_recordset(std::move(recordset)), m_completed(completed) {}

  void Open(const std::string& source, SqlConnection& activeConnection) override {
    m_recordset->Open(source, activeConnection);
    m_opened = true;
  }
  long RecordCount() override { return m_recordset->RecordCount(); }
  void MoveFirst() override { m_recordset->MoveFirst(); }
  void MoveNext() override { m_recordset->MoveNext(); }
  bool IsEof() override { return m_recordset->IsEof(); }
  SqlValue Collect(const std::string& column) override { return m_recordset->Collect(column); }
  void Close() override {
    m_recordset->Close();
    m_completed = m_completed || m_opened;
  }

 private:
  std::unique_ptr<SqlRecordset> m_recordset;
  bool& m_completed;
  bool m_opened = false;
};

}  // namespace

bool WatchedFiles::CopyFile(const std::string& source, const std::string& destination,
                            const CopyProgressCallback& progress) {
  m_window.SetCopyRunning(true);
  std::optional<std::uint64_t> size;
  const bool copied =
      m_files.CopyFile(source, destination, [&](std::uint64_t total, std::uint64_t done) {
        size = total;
        m_reporter.Progress(total, done);
        progress(total, done);
      });
  m_window.SetCopyRunning(false);
  m_anyCopyFailed = m_anyCopyFailed || !copied;
  m_lastDestination = destination;
  m_lastSize = copied ? size : std::nullopt;
  return copied;
}

std::optional<std::uint64_t> WatchedFiles::CopiedSize(const std::string& destination) const {
  return destination == m_lastDestination ? m_lastSize : std::nullopt;
}

std::optional<int> WatchedLauncher::Run(const std::string& applicationPath,
                                        const std::string& commandLine,
                                        const ExtraEnvironment& environment) {
  m_lastExitCode = m_launcher.StartAndWait(applicationPath, commandLine, environment);
  return m_lastExitCode;
}

std::unique_ptr<SqlRecordset> WatchedSql::CreateRecordset() {
  std::unique_ptr<SqlRecordset> recordset = m_sql.CreateRecordset();
  if (recordset == nullptr) {
    return nullptr;  // the core reports the missing object at its first use
  }
  return std::make_unique<WatchedRecordset>(std::move(recordset), m_queryCompleted);
}

ServerEnumeration WatchedBrowser::EnumerateSqlServers() {
  ServerEnumeration found = m_browser.EnumerateSqlServers();
  m_status = found.status;
  return found;
}

}  // namespace harrowlander::cli
