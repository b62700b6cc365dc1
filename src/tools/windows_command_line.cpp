#include "tools/windows_command_line.h"

namespace harrowlander {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Past the program's name and the blanks after it.
size_t SkipProgramName(std::string_view line) {
  size_t i = 0;
  if (i < line.size() && line[i] == '"') {
    const size_t close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && !IsBlank(line[i])) {
      ++i;
    }
  }
  while (i < line.size() && IsBlank(line[i])) {
    ++i;
  }
  return i;
}

}  // namespace

std::vector<std::string> WindowsCommandLineArguments(std::string_view line) {
  std::vector<std::string> arguments;
  size_t i = SkipProgramName(line);
  while (i < line.size()) {
    std::string argument;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      if (line[i] == '\\') {
        size_t backslashes = 0;
        while (i < line.size() && line[i] == '\\') {
          ++backslashes;
          ++i;
        }
        if (i < line.size() && line[i] == '"') {
          argument.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) {
            argument += '"';
            continue;
          }
        } else {
          argument.append(backslashes, '\\');
          --i;
          continue;
        }
      }
      if (line[i] != '"') {
        argument += line[i];
      } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        argument += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    }
    arguments.push_back(std::move(argument));
    while (i < line.size() && IsBlank(line[i])) {
      ++i;
    }
  }
  return arguments;
}

}  // namespace harrowlander
