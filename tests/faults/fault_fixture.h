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

  // A folder of its own for the workstation's files, and what is in it (a backup's hash
  // beside it counts with the backup).
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

  // Nothing of a transfer is left on the server: neither the folder (nor so any file in
  // it) nor a share of the transfer share's name.
  void ExpectNothingLeftOnServer() const;
  bool ShareRecorded() const;

  // A field of the result, the last line of a run with --json.
  static std::string ResultField(const CliResult& run, const std::string& key);

  // Sends `signal` to the run and waits for its end. The time in between is printed and
  // recorded as the test's property "stop_seconds", so that it can be quoted.
  static CliResult SignalAndWait(CliProcess& run, int signal, const std::string& when,
                                 std::chrono::steady_clock::duration& took);

 private:
  std::vector<std::string> m_serverArguments;
};

// A fault test through the server's share: skipped without the private smbd.
class RemoteFaultTest : public FaultTest {
 protected:
  void SetUp() override {
    if (!HaveSmbd()) {
      GTEST_SKIP() << "needs the smbd of tests/smb/with_smbd.sh";
    }
  }
};

}  // namespace harrowlander::testing
