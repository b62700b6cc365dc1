#include "gui/cli/passwords.h"

namespace harrowlander::cli {
namespace {

std::string FirstLine(const std::string& content) {
  std::string line = content.substr(0, content.find('\n'));
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  return line;
}

}  // namespace

ObtainedPassword ObtainPassword(const PasswordSource& source, Console& console, FileSystem& files) {
  ObtainedPassword obtained;
  if (source.file) {
    const std::optional<std::string> content =
        *source.file == "-" ? console.ReadInputLine() : files.ReadWholeFile(*source.file);
    if (!content) {
      obtained.error = "cannot read the password file '" + *source.file + "'";
      return obtained;
    }
    obtained.password = FirstLine(*content);
  } else if (std::optional<std::string> value = console.Environment(source.variable)) {
    obtained.password = std::move(*value);
  } else if (source.ask && console.IsTerminal(Stream::kInput)) {
    obtained.password = console.ReadHiddenLine(source.prompt).value_or("");
    if (source.confirm) {
      obtained.confirmation = console.ReadHiddenLine("Again: ").value_or("");
      return obtained;
    }
  }
  obtained.confirmation = obtained.password;
  return obtained;
}

}  // namespace harrowlander::cli
