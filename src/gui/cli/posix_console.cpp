#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "gui/cli/console.h"

namespace harrowlander::cli {
namespace {

int Descriptor(Stream stream) {
  switch (stream) {
    case Stream::kInput:
      return STDIN_FILENO;
    case Stream::kOutput:
      return STDOUT_FILENO;
    case Stream::kError:
      break;
  }
  return STDERR_FILENO;
}

// The terminal's settings while echo is off, so that an interrupt gives the terminal
// its echo back before the process ends.
termios g_savedTerminal;
struct sigaction g_previousInterrupt;

void RestoreTerminalAndStop(int signal) {
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
  ::sigaction(signal, &g_previousInterrupt, nullptr);
  ::raise(signal);
}

std::optional<std::string> ReadLine(int fd) {
  std::string line;
  char c = 0;
  for (;;) {
    const ssize_t got = ::read(fd, &c, 1);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return line.empty() ? std::nullopt : std::optional(line);
    }
    if (c == '\n') {
      break;
    }
    line += c;
  }
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  return line;
}

class PosixConsole : public Console {
 public:
  void Write(Stream stream, std::string_view text) override {
    const int fd = Descriptor(stream);
    while (!text.empty()) {
      const ssize_t written = ::write(fd, text.data(), text.size());
      if (written < 0 && errno == EINTR) {
        continue;
      }
      if (written <= 0) {
        return;  // nobody reads any more; the exit status still tells
      }
      text.remove_prefix(static_cast<size_t>(written));
    }
  }

  bool IsTerminal(Stream stream) override { return ::isatty(Descriptor(stream)) == 1; }

  std::optional<std::string> Environment(const std::string& name) override {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
  }

  std::optional<std::string> ReadHiddenLine(std::string_view prompt) override {
    if (::tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) {
      return std::nullopt;
    }
    struct sigaction restore = {};
    restore.sa_handler = RestoreTerminalAndStop;
    ::sigaction(SIGINT, &restore, &g_previousInterrupt);
    termios hidden = g_savedTerminal;
    hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    // Asked only once nothing typed shows any more.
    Write(Stream::kError, prompt);
    std::optional<std::string> line = ReadLine(STDIN_FILENO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    ::sigaction(SIGINT, &g_previousInterrupt, nullptr);
    Write(Stream::kError, "\n");
    return line;
  }

  std::optional<std::string> ReadInputLine() override { return ReadLine(STDIN_FILENO); }
};

}  // namespace

Console& SystemConsole() {
  static PosixConsole console;
  return console;
}

}  // namespace harrowlander::cli
