#include "cmd_shell.h"

#include <algorithm>

#include "../text.h"
#include "shell_echo.h"
#include "shell_texts.h"

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

// net.exe's answer to a failed call: "System error N has occurred.", then the reason.
ShellOutput SystemError(ShellLanguage language, int number, ShellText reason) {
  return Printed({Say(language, ShellText::SystemError, std::to_string(number)), std::nullopt,
                  Say(language, reason), std::nullopt},
                 2);
}

ShellOutput MakeDirectory(ServerState& state, const std::vector<std::string>& args) {
  ShellLanguage language = state.shell.language;
  auto paths = WithoutSwitches(args);
  if (paths.empty()) {
    return Printed({Say(language, ShellText::CommandSyntaxIncorrect)}, 1);
  }
  ShellOutput out;
  for (const std::string& path : paths) {
    auto mapped = state.paths.Map(ShellPath(path));
    std::error_code ec;
    if (!mapped) {
      out.lines.push_back(Say(language, ShellText::NameSyntaxIncorrect));
      out.status = 1;
    } else if (fs::exists(*mapped, ec)) {
      out.lines.push_back(Say(language, ShellText::AlreadyExists, path));
      out.status = 1;
    } else if (state.shell.denyMkdir || !fs::create_directories(*mapped, ec)) {
      out.lines.push_back(Say(language, ShellText::AccessDenied));
      out.status = 1;
    }
  }
  return out;
}

bool InUseByDatabase(ServerState& state, const fs::path& file) {
  return state.catalog.OwnerOf(file).has_value();
}

ShellOutput Delete(ServerState& state, const std::vector<std::string>& args) {
  ShellLanguage language = state.shell.language;
  bool quiet = HasSwitch(args, "q");
  auto patterns = WithoutSwitches(args);
  if (patterns.empty()) {
    return Printed({Say(language, ShellText::CommandSyntaxIncorrect)}, 1);
  }
  ShellOutput out;
  for (const std::string& typed : patterns) {
    std::string pattern = ShellPath(typed);
    auto mapped = state.paths.Map(pattern);
    if (!mapped) {
      out.lines.push_back(Say(language, ShellText::NameSyntaxIncorrect));
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
      out.lines.push_back(Say(language, ShellText::PathNotFound));
      out.status = 1;
      continue;
    }
    if (!quiet && (name == "*" || name == "*.*")) {
      // cmd.exe asks before emptying a folder; xp_cmdshell has no one to answer.
      out.lines.push_back(Say(language, ShellText::AreYouSure, shown));
      continue;
    }
    std::vector<fs::path> matches;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
      if (entry.is_regular_file() && WildcardMatch(entry.path().filename().string(), name)) {
        matches.push_back(entry.path());
      }
    }
    if (matches.empty()) {
      out.lines.push_back(Say(language, ShellText::CouldNotFind, shown));
      continue;
    }
    std::sort(matches.begin(), matches.end());
    for (const fs::path& file : matches) {
      if (InUseByDatabase(state, file)) {
        std::string folder = pattern.substr(0, pattern.find_last_of("\\/") + 1);
        out.lines.push_back(folder + file.filename().string());
        out.lines.push_back(Say(language, ShellText::FileInUse));
        continue;
      }
      fs::remove(file, ec);
    }
  }
  return out;
}

ShellOutput RemoveDirectory(ServerState& state, const std::vector<std::string>& args) {
  ShellLanguage language = state.shell.language;
  bool tree = HasSwitch(args, "s");
  auto paths = WithoutSwitches(args);
  if (paths.empty()) {
    return Printed({Say(language, ShellText::CommandSyntaxIncorrect)}, 1);
  }
  ShellOutput out;
  for (const std::string& path : paths) {
    auto mapped = state.paths.Map(ShellPath(path));
    std::error_code ec;
    if (!mapped) {
      out.lines.push_back(Say(language, ShellText::NameSyntaxIncorrect));
      out.status = 1;
    } else if (!fs::is_directory(*mapped, ec)) {
      out.lines.push_back(Say(language, fs::exists(*mapped, ec) ? ShellText::DirectoryNameInvalid
                                                                : ShellText::FileNotFound));
      out.status = 2;
    } else if (!tree && !fs::is_empty(*mapped, ec)) {
      out.lines.push_back(Say(language, ShellText::DirectoryNotEmpty));
      out.status = 145;
    } else {
      fs::remove_all(*mapped, ec);
    }
  }
  return out;
}

ShellOutput NoSuchShare(ShellLanguage language) {
  return Printed({Say(language, ShellText::ShareNotFound), std::nullopt,
                  Say(language, ShellText::MoreHelp, "2310"), std::nullopt},
                 2);
}

// "net share NAME": the share's settings as net.exe lists them.
ShellOutput ShowShare(ShellLanguage language, const Share& share) {
  auto line = [&](ShellText label, std::string_view value) {
    return std::optional<std::string>(ShareDetail(language, label, value));
  };
  return Printed(
      {line(ShellText::ShareName, share.name),
       line(ShellText::SharePath, ShellPath(share.serverPath)), line(ShellText::ShareRemark, ""),
       line(ShellText::ShareMaximumUsers, Say(language, ShellText::NoLimit)),
       line(ShellText::ShareUsers, ""),
       line(ShellText::ShareCaching, Say(language, ShellText::ManualCaching)),
       line(ShellText::SharePermission, "Everyone, READ"), std::nullopt,
       Say(language, ShellText::CommandCompleted), std::nullopt},
      0);
}

ShellOutput NetShare(ServerState& state, const std::vector<std::string>& args) {
  ShellLanguage language = state.shell.language;
  // args[0] is "share"; then nothing, NAME, NAME=PATH or NAME /DELETE
  if (args.size() < 2) {
    return Printed(
        {Say(language, ShellText::ShareListHeader), std::nullopt,
         "-------------------------------------------------------------------------------",
         Say(language, ShellText::CommandCompleted), std::nullopt},
        0);
  }
  const std::string& shareArgument = args[1];
  size_t eq = shareArgument.find('=');
  if (eq == std::string::npos) {
    bool remove = args.size() >= 3 && (IsSwitch(args[2], "del") || IsSwitch(args[2], "delete") ||
                                       IsSwitch(args[2], "d"));
    if (args.size() == 2) {
      auto share = state.shares.Find(shareArgument);
      return share ? ShowShare(language, *share) : NoSuchShare(language);
    }
    if (!remove) {
      return Printed(
          {Say(language, ShellText::NetSyntaxIs), std::nullopt, "NET SHARE", std::nullopt}, 1);
    }
    if (state.shell.denyNetShare) {
      return SystemError(language, 5, ShellText::AccessDenied);
    }
    if (!state.shares.Remove(shareArgument)) {
      return NoSuchShare(language);
    }
    return Printed({Say(language, ShellText::DeletedSuccessfully, shareArgument), std::nullopt}, 0);
  }
  std::string name = shareArgument.substr(0, eq), path = shareArgument.substr(eq + 1);
  if (state.shell.denyNetShare) {
    return SystemError(language, 5, ShellText::AccessDenied);
  }
  if (state.shares.Find(name)) {
    return SystemError(language, 2118, ShellText::NameAlreadyShared);
  }
  auto mapped = state.paths.Map(ShellPath(path));
  std::error_code ec;
  if (!mapped || !fs::is_directory(*mapped, ec)) {
    return SystemError(language, 3, ShellText::PathNotFound);
  }
  if (!state.shares.Add(Share{name, path, *mapped})) {
    return SystemError(language, 5, ShellText::AccessDenied);
  }
  return Printed({Say(language, ShellText::SharedSuccessfully, name), std::nullopt}, 0);
}

}  // namespace

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
  // echo prints its text as written, blanks and quotes included, trailing ones too.
  size_t first = commandLine.find_first_not_of(" \t");
  std::string_view typed = first == std::string_view::npos ? "" : commandLine.substr(first);
  if (typed.size() >= 4 && EqualsNoCase(typed.substr(0, 4), "echo") &&
      (typed.size() == 4 || typed[4] == ' ' || typed[4] == '\t')) {
    return Echo(state, typed.substr(4));
  }
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
  return Printed({Say(state.shell.language, ShellText::NotRecognized, SplitArguments(line).front()),
                  Say(state.shell.language, ShellText::NotRecognizedEnd)},
                 1);
}

bool ShareAtStartup(ServerState& state, const std::string& name, const std::string& path) {
  auto mapped = state.paths.Map(ShellPath(path));
  std::error_code ec;
  if (!mapped || name.empty()) {
    return false;
  }
  fs::create_directories(*mapped, ec);
  return fs::is_directory(*mapped, ec) && state.shares.Add(Share{name, path, *mapped});
}

}  // namespace testserver
