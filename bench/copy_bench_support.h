#pragma once

// What the copy benchmarks share: the test file, the share on the private smbd of
// tests/smb/with_smbd.sh, and timing.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace harrowlander::bench {

std::string Env(const char* name);
// Runs a shell command; true when it exited with 0.
bool Shell(const std::string& command);

// A file of pseudo-random bytes: a random mebibyte, repeated with its first byte counting.
void WriteTestFile(const std::filesystem::path& path, std::size_t megabytes);

// A folder under /tmp shared as `name` by the private smbd (the test account writes
// there as root), with an authentication file for smbclient; all gone on destruction.
class BenchShare {
 public:
  explicit BenchShare(const std::string& name);
  ~BenchShare();
  BenchShare(const BenchShare&) = delete;
  BenchShare& operator=(const BenchShare&) = delete;

  const std::filesystem::path& Folder() const { return m_folder; }
  // A folder beside the share for the workstation's side of the copies.
  const std::filesystem::path& Local() const { return m_local; }
  // smbclient's "-A" file.
  const std::filesystem::path& Authentication() const { return m_authentication; }

 private:
  std::string m_name;
  std::filesystem::path m_root;
  std::filesystem::path m_folder;
  std::filesystem::path m_local;
  std::filesystem::path m_authentication;
};

// One timed copy. The destination is removed and no dirty page is left before it
// starts, so that no copy pays for another's write-back; a failed copy ends the run.
double Seconds(const std::filesystem::path& destination, const std::function<bool()>& copy);

double Median(std::vector<double> values);

}  // namespace harrowlander::bench
