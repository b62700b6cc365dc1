#include "shell_echo.h"

#include <fstream>

#include "../text.h"
#include "shell_texts.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {

struct Redirection {
  std::string text;  // the command without the redirection
  std::optional<std::string> target;
  bool append = false;
};

// cmd.exe takes "> PATH" or ">> PATH" out of the line wherever it stands outside quotes;
// the blanks around it stay part of the text ("echo a > f" writes "a ").
Redirection SplitRedirection(std::string_view line) {
  Redirection out;
  bool quoted = false;
  size_t i = 0;
  for (; i < line.size(); ++i) {
    if (line[i] == '"') {
      quoted = !quoted;
    } else if (line[i] == '>' && !quoted) {
      break;
    }
  }
  out.text = std::string(line.substr(0, i));
  if (i == line.size()) {
    return out;
  }
  ++i;
  if (i < line.size() && line[i] == '>') {
    out.append = true;
    ++i;
  }
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
    ++i;
  }
  std::string target;
  if (i < line.size() && line[i] == '"') {
    size_t close = line.find('"', i + 1);
    close = close == std::string_view::npos ? line.size() : close;
    target = std::string(line.substr(i + 1, close - i - 1));
    i = std::min(line.size(), close + 1);
  } else {
    size_t end = line.find_first_of(" \t<>", i);
    end = end == std::string_view::npos ? line.size() : end;
    target = std::string(line.substr(i, end - i));
    i = end;
  }
  out.target = target;
  out.text += std::string(line.substr(i));
  return out;
}

ShellOutput Failure(ShellLanguage language, ShellText reason) {
  return ShellOutput{{Say(language, reason)}, 1};
}

}  // namespace

ShellOutput Echo(ServerState& state, std::string_view arguments) {
  ShellLanguage language = state.shell.language;
  Redirection line = SplitRedirection(arguments);
  // The blank after "echo" separates; everything after it is the text.
  std::string text = line.text.empty() ? std::string() : line.text.substr(1);
  if (Trim(text).empty()) {
    text = Say(language, ShellText::EchoIsOn);
  }
  if (!line.target) {
    return ShellOutput{{text}, 0};
  }
  auto file = line.target->empty() ? std::nullopt : state.paths.Map(ShellPath(*line.target));
  std::error_code ec;
  if (!file) {
    return Failure(language, ShellText::NameSyntaxIncorrect);
  }
  if (!fs::is_directory(file->parent_path(), ec)) {
    return Failure(language, ShellText::PathNotFound);
  }
  if (state.shell.denyEcho || fs::is_directory(*file, ec)) {
    return Failure(language, ShellText::AccessDenied);
  }
  std::ofstream out(*file, std::ios::binary | (line.append ? std::ios::app : std::ios::trunc));
  out << text << "\r\n";
  if (!out.flush()) {
    return Failure(language, ShellText::AccessDenied);
  }
  return {};
}

}  // namespace testserver
