#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace harrowlander::testing {

// What a run of harrowlander-cli left behind.
struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;

  std::vector<std::string> OutLines() const;
};

// harrowlander-cli started as a child process: the given arguments, the test's
// environment without any HARROWLANDER_* password and with the given variables added,
// standard input from `input`.
class CliProcess {
 public:
  CliProcess(const std::vector<std::string>& arguments,
             const std::map<std::string, std::string>& environment = {},
             const std::string& input = "", const std::filesystem::path& directory = {});
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  pid_t Pid() const { return m_pid; }
  // Reads everything the program writes and waits for it to end.
  CliResult Wait();

 private:
  pid_t m_pid = -1;
  int m_out = -1;
  int m_err = -1;
};

inline CliResult RunCli(const std::vector<std::string>& arguments,
                        const std::map<std::string, std::string>& environment = {},
                        const std::string& input = "",
                        const std::filesystem::path& directory = {}) {
  return CliProcess(arguments, environment, input, directory).Wait();
}

// The value of a string or number field of one JSON line ("" when it has none); the
// lines checked hold no escapes but \" and \\.
std::string JsonField(const std::string& line, const std::string& key);

}  // namespace harrowlander::testing
