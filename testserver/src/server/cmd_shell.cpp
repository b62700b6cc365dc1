#include "cmd_shell.h"

#include <algorithm>

#include "../text.h"

namespace testserver {

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::optional<std::string>>;

// Splits arguments at blanks; double quotes group and are dropped.
std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> args;
  std::string current;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) {
        args.push_back(current);
      }
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) {
    args.push_back(current);
  }
  return args;
}

bool IsSwitch(const std::string& arg, const char* name) {
  return EqualsNoCase(arg, std::string("/") + name);
}

std::vector<std::string> WithoutSwitches(const std::vector<std::string>& args) {
  std::vector<std::string> out;
  for (const std::string& a : args) {
    if (a.empty() || a[0] != '/') {
      out.push_back(a);
    }
  }
  return out;
}

bool HasSwitch(const std::vector<std::string>& args, const char* name) {
  return std::any_of(args.begin(), args.end(), [&](const auto& a) { return IsSwitch(a, name); });
}

ShellOutput Printed(Lines lines, int status) {
  return ShellOutput{std::move(lines), status};
}

const char* kSyntaxIncorrect = "The filename, directory name, or volume label syntax is incorrect.";

// xp_cmdshell runs cmd.exe in the system folder of drive C:, so relative names land there.
std::string ShellPath(const std::string& path) {
  bool drive = path.size() >= 2 && path[1] == ':';
  if (drive || path.rfind("\\\\", 0) == 0 || (!path.empty() && path[0] == '/')) {
    return drive && (path.size() == 2 || (path[2] != '\\' && path[2] != '/'))
               ? path.substr(0, 2) + "\\" + path.substr(2)
               : path;
  }
  if (!path.empty() && path[0] == '\\') {
    return "C:" + path;
  }
  return "C:\\WINDOWS\\system32\\" + path;
}

ShellOutput MakeDirectory(ServerState& state, const std::vector<std::string>& args) {
  auto paths = WithoutSwitches(args);
  if (paths.empty()) {
    return Printed({"The syntax of the command is incorrect."}, 1);
  }
  ShellOutput out;
  for (const std::string& path : paths) {
    auto mapped = state.paths.Map(ShellPath(path));
    std::error_code ec;
    if (!mapped) {
      out.lines.push_back(kSyntaxIncorrect);
      out.status = 1;
    } else if (fs::exists(*mapped, ec)) {
      out.lines.push_back("A subdirectory or file " + path + " already exists.");
      out.status = 1;
    } else if (!fs::create_directories(*mapped, ec)) {
      out.lines.push_back("Access is denied.");
      out.status = 1;
    }
  }
  return out;
}

bool InUseByDatabase(ServerState& state, const fs::path& file) {
  return state.catalog.OwnerOf(file).has_value();
}

ShellOutput Delete(ServerState& state, const std::vector<std::string>& args) {
  bool quiet = HasSwitch(args, "q");
  auto patterns = WithoutSwitches(args);
  if (patterns.empty()) {
    return Printed({"The syntax of the command is incorrect."}, 1);
  }
  ShellOutput out;
  for (const std::string& typed : patterns) {
    std::string pattern = ShellPath(typed);
    auto mapped = state.paths.Map(pattern);
    if (!mapped) {
      out.lines.push_back(kSyntaxIncorrect);
      out.status = 1;
      continue;
    }
    std::error_code ec;
    fs::path dir = mapped->parent_path();
    std::string name = mapped->filename().string();
    std::string shown = pattern;
    if (fs::is_directory(*mapped, ec)) {
      dir = *mapped;
      name = "*";
      shown = pattern + "\\*";
    }
    if (!fs::is_directory(dir, ec)) {
      out.lines.push_back("The system cannot find the path specified.");
      out.status = 1;
      continue;
    }
    if (!quiet && (name == "*" || name == "*.*")) {
      // cmd.exe asks before emptying a folder; xp_cmdshell has no one to answer.
      out.lines.push_back(shown + ", Are you sure (Y/N)? ");
      continue;
    }
    std::vector<fs::path> matches;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
      if (entry.is_regular_file() && WildcardMatch(entry.path().filename().string(), name)) {
        matches.push_back(entry.path());
      }
    }
    if (matches.empty()) {
      out.lines.push_back("Could Not Find " + shown);
      continue;
    }
    std::sort(matches.begin(), matches.end());
    for (const fs::path& file : matches) {
      if (InUseByDatabase(state, file)) {
        std::string folder = pattern.substr(0, pattern.find_last_of("\\/") + 1);
        out.lines.push_back(folder + file.filename().string());
        out.lines.push_back(
            "The process cannot access the file because it is being used by another process.");
        continue;
      }
      fs::remove(file, ec);
    }
  }
  return out;
}

ShellOutput RemoveDirectory(ServerState& state, const std::vector<std::string>& args) {
  bool tree = HasSwitch(args, "s");
  auto paths = WithoutSwitches(args);
  if (paths.empty()) {
    return Printed({"The syntax of the command is incorrect."}, 1);
  }
  ShellOutput out;
  for (const std::string& path : paths) {
    auto mapped = state.paths.Map(ShellPath(path));
    std::error_code ec;
    if (!mapped) {
      out.lines.push_back(kSyntaxIncorrect);
      out.status = 1;
    } else if (!fs::is_directory(*mapped, ec)) {
      out.lines.push_back(fs::exists(*mapped, ec) ? "The directory name is invalid."
                                                  : "The system cannot find the file specified.");
      out.status = 2;
    } else if (!tree && !fs::is_empty(*mapped, ec)) {
      out.lines.push_back("The directory is not empty.");
      out.status = 145;
    } else {
      fs::remove_all(*mapped, ec);
    }
  }
  return out;
}

ShellOutput NetShare(ServerState& state, const std::vector<std::string>& args) {
  // args[0] is "share"; then NAME=PATH or NAME /DELETE
  if (args.size() < 2) {
    return Printed(
        {"Share name   Resource                        Remark", std::nullopt,
         "-------------------------------------------------------------------------------",
         "The command completed successfully.", std::nullopt},
        0);
  }
  const std::string& shareArgument = args[1];
  size_t eq = shareArgument.find('=');
  if (eq == std::string::npos) {
    bool remove = args.size() >= 3 && (IsSwitch(args[2], "del") || IsSwitch(args[2], "delete") ||
                                       IsSwitch(args[2], "d"));
    if (!remove) {
      return Printed({"The syntax of this command is:", std::nullopt, "NET SHARE", std::nullopt},
                     1);
    }
    if (!state.shares.Remove(shareArgument)) {
      return Printed({"This shared resource does not exist.", std::nullopt,
                      "More help is available by typing NET HELPMSG 2310.", std::nullopt},
                     2);
    }
    return Printed({shareArgument + " was deleted successfully.", std::nullopt}, 0);
  }
  std::string name = shareArgument.substr(0, eq), path = shareArgument.substr(eq + 1);
  auto mapped = state.paths.Map(ShellPath(path));
  std::error_code ec;
  if (state.shares.Find(name)) {
    return Printed({"System error 2118 has occurred.", std::nullopt,
                    "The name has already been shared.", std::nullopt},
                   2);
  }
  if (!mapped || !fs::is_directory(*mapped, ec)) {
    return Printed({"System error 3 has occurred.", std::nullopt,
                    "The system cannot find the path specified.", std::nullopt},
                   2);
  }
  if (!state.shares.Add(Share{name, path, *mapped})) {
    return Printed(
        {"System error 5 has occurred.", std::nullopt, "Access is denied.", std::nullopt}, 2);
  }
  return Printed({name + " was shared successfully.", std::nullopt}, 0);
}

}  // namespace

bool WildcardMatch(std::string_view name, std::string_view pattern) {
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos &&
      WildcardMatch(name, pattern.substr(0, pattern.size() - 2))) {
    return true;
  }
  if (pattern.empty()) {
    return name.empty();
  }
  if (pattern[0] == '*') {
    for (size_t i = 0; i <= name.size(); ++i) {
      if (WildcardMatch(name.substr(i), pattern.substr(1))) {
        return true;
      }
    }
    return false;
  }
  if (name.empty()) {
    return false;
  }
  bool same = pattern[0] == '?' || EqualsNoCase(name.substr(0, 1), pattern.substr(0, 1));
  return same && WildcardMatch(name.substr(1), pattern.substr(1));
}

ShellOutput RunShellCommand(ServerState& state, std::string_view commandLine) {
  std::string line = Trim(commandLine);
  // cmd /c drops the first and the last quote when the line starts with one.
  if (!line.empty() && line.front() == '"') {
    size_t last = line.rfind('"');
    line = last > 0 ? line.substr(1, last - 1) + line.substr(last + 1) : line.substr(1);
    line = Trim(line);
  }
  if (line.empty()) {
    return {};
  }
  std::vector<std::string> args = SplitArguments(line);
  std::string command = ToLower(args.front());
  args.erase(args.begin());
  if (command == "mkdir" || command == "md") {
    return MakeDirectory(state, args);
  }
  if (command == "del" || command == "erase") {
    return Delete(state, args);
  }
  if (command == "rmdir" || command == "rd") {
    return RemoveDirectory(state, args);
  }
  if (command == "net" && !args.empty() && EqualsNoCase(args.front(), "share")) {
    return NetShare(state, args);
  }
  return Printed({"'" + std::string(SplitArguments(line).front()) +
                      "' is not recognized as an internal or external command,",
                  "operable program or batch file."},
                 1);
}

}  // namespace testserver
