#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

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
    const std::lock_guard<std::mutex> lock(m_writing);
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
    {
      const std::lock_guard<std::mutex> lock(m_prompting);
      if (::tcgetattr(STDIN_FILENO, &m_savedTerminal) != 0) {
        return std::nullopt;
      }
      termios hidden = m_savedTerminal;
      hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
      m_promptShowing = true;
    }
    // Asked only once nothing typed shows any more.
    Write(Stream::kError, prompt);
    std::optional<std::string> line = ReadLine(STDIN_FILENO);
    AbandonHiddenPrompt();
    return line;
  }

  void AbandonHiddenPrompt() override {
    const std::lock_guard<std::mutex> lock(m_prompting);
    if (m_promptShowing) {
      ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_savedTerminal);
      m_promptShowing = false;
      Write(Stream::kError, "\n");
    }
  }

  std::optional<std::string> ReadInputLine() override { return ReadLine(STDIN_FILENO); }

 private:
  std::mutex m_writing;
  std::mutex m_prompting;
  // The terminal's settings from before the prompt hid what is typed.
  termios m_savedTerminal = {};
  bool m_promptShowing = false;
};

}  // namespace

Console& SystemConsole() {
  static PosixConsole console;
  return console;
}

}  // namespace harrowlander::cli
