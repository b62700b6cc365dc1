#include "platform/win32/windows_api.h"

#include <cstdlib>
#include <mutex>

#include "gui/cli/console.h"
#include "platform/win32/wide_text.h"

namespace harrowlander::cli {
namespace {

HANDLE Handle(Stream stream) {
  switch (stream) {
    case Stream::kInput:
      return ::GetStdHandle(STD_INPUT_HANDLE);
    case Stream::kOutput:
      return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case Stream::kError:
      break;
  }
  return ::GetStdHandle(STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode) != 0;
}

// A line typed into the console, in UTF-16 and so whatever its code page.
std::optional<std::string> ReadConsoleLine(HANDLE input) {
  std::wstring line;
  wchar_t c = 0;
  DWORD read = 0;
  while (::ReadConsoleW(input, &c, 1, &read, nullptr) && read == 1) {
    if (c == L'\n') {
      break;
    }
    if (c != L'\r') {
      line += c;
    }
  }
  if (read == 0 && line.empty()) {
    return std::nullopt;
  }
  return win32::Narrow(line);
}

// A line of redirected input: bytes, taken as UTF-8.
std::optional<std::string> ReadFileLine(HANDLE input) {
  std::string line;
  char c = 0;
  DWORD read = 0;
  bool any = false;
  while (::ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
    any = true;
    if (c == '\n') {
      break;
    }
    line += c;
  }
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  return any ? std::optional(line) : std::nullopt;
}

class Win32Console : public Console {
 public:
  void Write(Stream stream, std::string_view text) override {
    const std::lock_guard<std::mutex> lock(m_writing);
    const HANDLE handle = Handle(stream);
    if (IsConsole(handle)) {
      const std::wstring wide = win32::Widen(text);
      DWORD written = 0;
      ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      return;
    }
    while (!text.empty()) {
      DWORD written = 0;
      if (!::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
          written == 0) {
        return;
      }
      text.remove_prefix(written);
    }
  }

  bool IsTerminal(Stream stream) override { return IsConsole(Handle(stream)); }

  std::optional<std::string> Environment(const std::string& name) override {
    const wchar_t* value = ::_wgetenv(win32::Widen(name).c_str());
    return value == nullptr ? std::nullopt : std::optional(win32::Narrow(value));
  }

  std::optional<std::string> ReadHiddenLine(std::string_view prompt) override {
    const HANDLE input = Handle(Stream::kInput);
    {
      const std::lock_guard<std::mutex> lock(m_prompting);
      if (!::GetConsoleMode(input, &m_savedMode)) {
        return std::nullopt;
      }
      ::SetConsoleMode(input, m_savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
      m_promptShowing = true;
    }
    // Asked only once nothing typed shows any more.
    Write(Stream::kError, prompt);
    std::optional<std::string> line = ReadConsoleLine(input);
    AbandonHiddenPrompt();
    return line;
  }

  void AbandonHiddenPrompt() override {
    const std::lock_guard<std::mutex> lock(m_prompting);
    if (m_promptShowing) {
      ::SetConsoleMode(Handle(Stream::kInput), m_savedMode);
      m_promptShowing = false;
      Write(Stream::kError, "\n");
    }
  }

  std::optional<std::string> ReadInputLine() override {
    const HANDLE input = Handle(Stream::kInput);
    return IsConsole(input) ? ReadConsoleLine(input) : ReadFileLine(input);
  }

 private:
  std::mutex m_writing;
  std::mutex m_prompting;
  // The input's mode from before the prompt hid what is typed.
  DWORD m_savedMode = 0;
  bool m_promptShowing = false;
};

}  // namespace

Console& SystemConsole() {
  static Win32Console console;
  return console;
}

}  // namespace harrowlander::cli
