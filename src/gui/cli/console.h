#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace harrowlander::cli {

enum class Stream { kInput, kOutput, kError };

// The process's standard streams and environment, in UTF-8 whatever the system's own
// encoding is.
class Console {
 public:
  virtual ~Console() = default;

  // Writes the text as it is and flushes it: a scheduler reads each line as it comes.
  // Any thread: one call's text is never mixed with another's.
  virtual void Write(Stream stream, std::string_view text) = 0;
  virtual bool IsTerminal(Stream stream) = 0;
  // The variable's value; nothing when it is not set (set but empty is "").
  virtual std::optional<std::string> Environment(const std::string& name) = 0;
  // Shows the prompt on the terminal and reads one line without echoing it; nothing
  // when no line could be read.
  virtual std::optional<std::string> ReadHiddenLine(std::string_view prompt) = 0;
  // Any thread, as the process is about to end while a hidden prompt may be showing:
  // the terminal gets its echo back and the prompt's line is ended.
  virtual void AbandonHiddenPrompt() = 0;
  // The first line of standard input; nothing at its end.
  virtual std::optional<std::string> ReadInputLine() = 0;
};

// The console of this process.
Console& SystemConsole();

}  // namespace harrowlander::cli
