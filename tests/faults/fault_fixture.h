#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace harrowlander::testing {

// harrowlander-cli against a testserver started by the test itself with the fault
// switches it needs, and the private smbd when there is one (tests that need it skip
// without it).
class FaultTest : public CliTest {
 protected:
  void SetUp() override {}
  std::vector<std::string> ServerArguments() override { return m_serverArguments; }

  // Starts testserver, seeded, with `faults` and the private smbd's shares.
  void Start(const std::vector<std::string>& faults);
  bool HaveSmbd() const;

  // The arguments of a backup or restore through the server's share.
  std::vector<std::string> Remote(std::vector<std::string> args) const;

  // Where testserver keeps a server path such as C:\BKSQLData$\Sales.bak (the
  // components matched without regard to case, as the server does).
  std::filesystem::path ServerFile(const std::string& windowsPath) const;

  // Waits until a batch that holds `text` has arrived; false after `limit`.
  bool WaitForBatch(const std::string& text,
                    std::chrono::seconds limit = std::chrono::seconds(20)) const;
  bool SentAnyContaining(const std::string& text) const;

  // A folder of its own for the workstation's files, and what is in it.
  std::filesystem::path Destination() const;
  std::vector<std::string> Names(const std::filesystem::path& folder) const;

  // A file that stands for an older backup the user keeps.
  std::filesystem::path OlderBackup(const std::string& name) const;
  static constexpr const char* kOlderBytes = "an older backup, still needed";

  // The faults that let StartLongCopy work: testserver holds the share's creation.
  static std::vector<std::string> LongCopyFaults();
  // A remote backup with --json as a child process, whose server file is made `bytes`
  // long while the server holds the share's creation, so that the copy runs long enough
  // to be interfered with. Returns once the copy has reported progress (or, without
  // `awaitProgress`, once the file is grown); nullptr (and a failed assertion) when it
  // never does.
  std::unique_ptr<CliProcess> StartLongCopy(std::vector<std::string> args, std::uint64_t bytes,
                                            bool awaitProgress = true);

 private:
  std::vector<std::string> m_serverArguments;
};

}  // namespace harrowlander::testing
