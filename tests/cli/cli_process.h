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

enum class Streams { kPipes, kTerminal };

// harrowlander-cli started as a child process: the given arguments, the test's
// environment without any HARROWLANDER_* password and with the given variables added,
// `input` written to its standard input. On a terminal (a pseudo-terminal of
// script(1)) both output streams arrive as `out`.
class CliProcess {
 public:
  CliProcess(const std::vector<std::string>& arguments,
             const std::map<std::string, std::string>& environment = {},
             const std::string& input = "", const std::filesystem::path& directory = {},
             Streams streams = Streams::kPipes);
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  pid_t Pid() const { return m_pid; }
  // Reads the output until it holds `text`; false when the program ended or 10 s passed.
  bool ReadUntil(const std::string& text);
  // Writes to the program's standard input.
  void Send(const std::string& text);
  // Ends the input, reads everything the program writes and waits for it to end.
  CliResult Wait();

 private:
  bool ReadSome(int timeoutMs);

  pid_t m_pid = -1;
  int m_in = -1;
  int m_out = -1;
  int m_err = -1;
  CliResult m_result;
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
