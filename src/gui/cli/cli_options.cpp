#include "gui/cli/cli_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "gui/cli/usage_text.h"
#include "ops/backup_naming.h"

namespace harrowlander::cli {
namespace {

using Outcome = ParsedCommandLine::Outcome;

constexpr std::array<const char*, 9> kCommandNames = {
    "list-databases", "list-servers", "backup", "restore",     "delete",
    "shrink",         "drop-tables",  "verify", "test-restore"};

constexpr unsigned Bit(Command command) {
  return 1u << static_cast<unsigned>(command);
}

constexpr unsigned kEvery = 0x1FF;
constexpr unsigned kBackup = Bit(Command::kBackup);
constexpr unsigned kRestore = Bit(Command::kRestore);
// The commands that read a backup file of this machine.
constexpr unsigned kFromAFile = kRestore | Bit(Command::kVerify) | Bit(Command::kTestRestore);
constexpr unsigned kOnADatabase =
    kBackup | kRestore | Bit(Command::kDelete) | Bit(Command::kShrink) | Bit(Command::kDropTables);

struct OptionDefinition {
  std::string_view name;
  bool takesValue;
  unsigned commands;  // the commands that accept it
  void (*apply)(Options&, std::string&&);
};

// clang-format off
constexpr OptionDefinition kOptions[] = {
    {"--server", true, kEvery, [](Options& o, std::string&& v) { o.server = std::move(v); }},
    {"--user", true, kEvery, [](Options& o, std::string&& v) { o.user = std::move(v); }},
    {"--connect-timeout", true, kEvery, [](Options& o, std::string&& v) { o.connectTimeout = std::move(v); }},
    {"--command-timeout", true, kEvery, [](Options& o, std::string&& v) { o.commandTimeout = std::move(v); }},
    {"--net-server", true, kEvery, [](Options& o, std::string&& v) { o.netServer = std::move(v); }},
    {"--net-user", true, kEvery, [](Options& o, std::string&& v) { o.netUser = std::move(v); }},
    {"--sql-password-file", true, kEvery, [](Options& o, std::string&& v) { o.sqlPasswordFile = std::move(v); }},
    {"--net-password-file", true, kEvery, [](Options& o, std::string&& v) { o.netPasswordFile = std::move(v); }},
    {"--json", false, kEvery, [](Options& o, std::string&&) { o.json = true; }},
    {"--all", false, Bit(Command::kListDatabases), [](Options& o, std::string&&) { o.all = true; }},
    {"--address", true, Bit(Command::kListServers), [](Options& o, std::string&& v) { o.address = std::move(v); }},
    {"--database", true, kOnADatabase, [](Options& o, std::string&& v) { o.databases.push_back(v); o.database = std::move(v); }},
    {"--all-databases", false, kBackup, [](Options& o, std::string&&) { o.allDatabases = true; }},
    {"--exclude", true, kBackup, [](Options& o, std::string&& v) { o.excluded.push_back(std::move(v)); }},
    {"--to-dir", true, kBackup, [](Options& o, std::string&& v) { o.toDir = std::move(v); }},
    {"--name", true, kBackup, [](Options& o, std::string&& v) { o.name = std::move(v); }},
    {"--keep", true, kBackup, [](Options& o, std::string&& v) { o.keep = std::move(v); }},
    {"--keep-days", true, kBackup, [](Options& o, std::string&& v) { o.keepDays = std::move(v); }},
    {"--dry-run", false, kBackup, [](Options& o, std::string&&) { o.dryRun = true; }},
    {"--compress", false, kBackup, [](Options& o, std::string&&) { o.compress = true; }},
    {"--to", true, kBackup, [](Options& o, std::string&& v) { o.to = std::move(v); }},
    {"--from", true, kFromAFile, [](Options& o, std::string&& v) { o.from = std::move(v); }},
    {"--same-machine", false, kBackup | kFromAFile, [](Options& o, std::string&&) { o.sameMachine = true; }},
    {"--append", false, kBackup, [](Options& o, std::string&&) { o.append = true; }},
    {"--no-verify", false, kBackup, [](Options& o, std::string&&) { o.noVerify = true; }},
    {"--chain", false, kBackup, [](Options& o, std::string&&) { o.chain = true; }},
    {"--shrink", false, kBackup, [](Options& o, std::string&&) { o.shrink = true; }},
    {"--percent", true, kBackup | Bit(Command::kShrink), [](Options& o, std::string&& v) { o.percent = std::move(v); }},
    {"--no-truncate-log", false, kBackup | Bit(Command::kShrink), [](Options& o, std::string&&) { o.noTruncateLog = true; }},
    {"--pack", false, kBackup, [](Options& o, std::string&&) { o.pack = true; }},
    {"--archiver", true, kBackup, [](Options& o, std::string&& v) { o.archiver = std::move(v); }},
    {"--archive-password-file", true, kBackup, [](Options& o, std::string&& v) { o.archivePasswordFile = std::move(v); }},
    {"--drop-first", false, kRestore, [](Options& o, std::string&&) { o.dropFirst = true; }},
    {"--keep-file-folders", false, kRestore, [](Options& o, std::string&&) { o.keepFileFolders = true; }},
    {"--pattern", true, Bit(Command::kDropTables), [](Options& o, std::string&& v) { o.patterns.push_back(std::move(v)); }},
    {"--yes", false, Bit(Command::kDelete) | Bit(Command::kDropTables), [](Options& o, std::string&&) { o.yes = true; }},
    {"--reconnect-window", true, kBackup | kFromAFile, [](Options& o, std::string&& v) { o.reconnectWindow = std::move(v); }},
};
// clang-format on

const OptionDefinition* FindOption(std::string_view name) {
  for (const OptionDefinition& option : kOptions) {
    if (option.name == name) {
      return &option;
    }
  }
  return nullptr;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// An option that looks like it carries a password itself (--password=..., -P ...);
// the ones that name a file holding it are fine.
bool CarriesPassword(std::string_view argument) {
  if (!argument.starts_with("-")) {
    return false;
  }
  const std::string name = Lower(argument.substr(0, argument.find('=')));
  if (name.ends_with("-file")) {
    return false;
  }
  if (!name.starts_with("--")) {
    return name.starts_with("-p");  // sqlcmd's -P
  }
  return name.find("password") != std::string::npos || name.find("passwd") != std::string::npos ||
         name.find("pwd") != std::string::npos;
}

std::string PasswordRefusal(std::string_view argument) {
  const std::string name = Lower(argument.substr(0, argument.find('=')));
  std::string kind = "SQL";
  std::string flag = "--sql-password-file";
  if (name.find("net") != std::string::npos) {
    kind = "NET";
    flag = "--net-password-file";
  } else if (name.find("archive") != std::string::npos || name.find("rar") != std::string::npos ||
             name.find("pack") != std::string::npos) {
    kind = "ARCHIVE";
    flag = "--archive-password-file";
  }
  // The option's name only: "-Psecret" and "--password=secret" end in the password.
  const std::string_view shown =
      argument.starts_with("--") ? argument.substr(0, argument.find('=')) : argument.substr(0, 2);
  return std::string(shown) +
         ": a password is never taken as an argument, since every user of this machine can "
         "read the command line of a running program. Put it in the environment variable "
         "HARROWLANDER_" +
         kind + "_PASSWORD or in a file named by " + flag +
         " FILE, or type it when asked (on a terminal).";
}

ParsedCommandLine Fail(Outcome outcome, std::string text) {
  ParsedCommandLine parsed;
  parsed.outcome = outcome;
  parsed.text = std::move(text);
  return parsed;
}

constexpr long kMostReconnectSeconds = 3600;

// Whole seconds from 0 to kMostReconnectSeconds.
bool IsReconnectWindow(const std::string& text) {
  return !text.empty() && text.size() <= 4 &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }) &&
         std::stol(text) <= kMostReconnectSeconds;
}

constexpr long kMostKept = 100000;

// A whole number from 1 to kMostKept.
bool IsCount(const std::string& text) {
  return !text.empty() && text.size() <= 6 &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }) &&
         std::stol(text) >= 1 && std::stol(text) <= kMostKept;
}

// What a backup into a folder needs beyond the options' own form.
std::string FolderBackupProblem(const Options& o) {
  if (!BacksUpIntoFolder(o)) {
    if (!o.excluded.empty() || o.name || o.keep || o.keepDays || o.dryRun) {
      return "--exclude, --name, --keep, --keep-days and --dry-run go with --to-dir";
    }
    return {};
  }
  if (!o.to.empty()) {
    return "--to names the file of one database: give --to-dir DIR for several";
  }
  if (o.toDir.empty()) {
    return "--to-dir DIR is required with --all-databases or several --database";
  }
  if (o.append || o.pack || (o.shrink && o.noTruncateLog)) {
    return "--append, --pack and --no-truncate-log go with a single --database and --to";
  }
  const std::string pattern = o.name.value_or(kDefaultBackupNamePattern);
  if (const std::string problem = BackupNamePattern::Problem(pattern); !problem.empty()) {
    return "--name '" + pattern + "': " + problem;
  }
  if (o.keep && !IsCount(*o.keep)) {
    return "--keep N: a whole number from 1 to " + std::to_string(kMostKept);
  }
  if (o.keepDays && !IsCount(*o.keepDays)) {
    return "--keep-days D: a whole number from 1 to " + std::to_string(kMostKept);
  }
  if (o.dryRun && !o.keep && !o.keepDays) {
    return "--dry-run goes with --keep or --keep-days";
  }
  if ((o.keep || o.keepDays) && !BackupNamePattern(pattern).IsDated()) {
    return "--keep and --keep-days need a --name with {date} and {time}, which date the "
           "older backups";
  }
  if ((o.keep || o.keepDays) && o.noVerify) {
    return "--keep and --keep-days delete older backups only after the server verified the "
           "new one: not with --no-verify";
  }
  return {};
}

// What the command needs beyond the options' own form; empty when nothing is missing.
std::string MissingOrConflicting(const Options& o) {
  if (o.reconnectWindow && !IsReconnectWindow(*o.reconnectWindow)) {
    return "--reconnect-window S: whole seconds from 0 to " + std::to_string(kMostReconnectSeconds);
  }
  const bool onADatabase = (Bit(o.command) & kOnADatabase) != 0;
  if (onADatabase && o.database.empty() && !(o.command == Command::kBackup && o.allDatabases)) {
    return o.command == Command::kBackup ? "--database NAME or --all-databases is required"
                                         : "--database NAME is required";
  }
  if (o.command != Command::kBackup && o.databases.size() > 1) {
    return "--database is given once for " + std::string(CommandName(o.command));
  }
  switch (o.command) {
    case Command::kBackup:
      if (std::string problem = FolderBackupProblem(o); !problem.empty()) {
        return problem;
      }
      if (o.to.empty() && !BacksUpIntoFolder(o)) {
        return "--to PATH is required";
      }
      if (!o.shrink && (o.percent || o.noTruncateLog)) {
        return "--percent and --no-truncate-log go with --shrink";
      }
      if (!o.pack && (o.archiver || o.archivePasswordFile)) {
        return "--archiver and --archive-password-file go with --pack";
      }
      break;
    case Command::kRestore:
    case Command::kVerify:
    case Command::kTestRestore:
      if (o.from.empty()) {
        return "--from PATH is required";
      }
      break;
    case Command::kDropTables:
      if (o.patterns.empty()) {
        return "--pattern P is required (once per pattern)";
      }
      for (const std::string& pattern : o.patterns) {
        // The dialog's keyword text separates patterns at these characters.
        if (pattern.empty() || pattern.find_first_of(" ,;") != std::string::npos) {
          return "--pattern '" + pattern +
                 "': a pattern is one table-name pattern, without blanks, commas or semicolons";
        }
      }
      break;
    default:
      break;
  }
  return {};
}

std::string Refusal(const Options& o) {
  if (o.yes) {
    return {};
  }
  if (o.command == Command::kDelete) {
    return "delete drops the database [" + o.database +
           "] and deletes its files: refused without --yes";
  }
  if (o.command == Command::kDropTables) {
    return "drop-tables drops every table of [" + o.database +
           "] that a pattern matches: refused without --yes";
  }
  return {};
}

}  // namespace

std::optional<int> KeepNewest(const Options& options) {
  return options.keep ? std::optional<int>(std::stoi(*options.keep)) : std::nullopt;
}

std::optional<int> KeepDays(const Options& options) {
  return options.keepDays ? std::optional<int>(std::stoi(*options.keepDays)) : std::nullopt;
}

std::chrono::seconds ReconnectWindow(const Options& options) {
  return std::chrono::seconds(options.reconnectWindow ? std::stol(*options.reconnectWindow) : 120);
}

const char* CommandName(Command command) {
  return kCommandNames[static_cast<size_t>(command)];
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  // A first look, skipping option values: a password anywhere is refused before
  // anything else, then help and version win over every other check.
  std::optional<Command> command;
  bool help = false;
  bool version = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (CarriesPassword(argument)) {
      return Fail(Outcome::kUsageError, PasswordRefusal(argument));
    }
    const auto named = std::find(kCommandNames.begin(), kCommandNames.end(), argument);
    const OptionDefinition* option = FindOption(argument);
    if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (option != nullptr && option->takesValue) {
      ++i;
    } else if (!command && named != kCommandNames.end()) {
      command = static_cast<Command>(named - kCommandNames.begin());
    }
  }
  if (help) {
    return Fail(Outcome::kHelp, command ? CommandUsage(*command) : UsageText());
  }
  if (version) {
    return Fail(Outcome::kVersion, VersionText());
  }

  ParsedCommandLine parsed;
  Options& options = parsed.options;
  bool commandSeen = false;
  std::vector<const OptionDefinition*> given;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!argument.starts_with("-")) {
      if (commandSeen || !command || argument != CommandName(*command)) {
        return Fail(Outcome::kUsageError, "unexpected argument '" + argument + "'");
      }
      commandSeen = true;
      continue;
    }
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const OptionDefinition* option = FindOption(name);
    if (option == nullptr) {
      return Fail(Outcome::kUsageError, "unknown option " + name);
    }
    std::string value;
    if (option->takesValue) {
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        return Fail(Outcome::kUsageError, name + " needs a value");
      }
    } else if (equals != std::string::npos) {
      return Fail(Outcome::kUsageError, name + " takes no value");
    }
    option->apply(options, std::move(value));
    given.push_back(option);
  }
  if (!command) {
    return Fail(Outcome::kUsageError, "no command given");
  }
  options.command = *command;
  for (const OptionDefinition* option : given) {
    if ((option->commands & Bit(*command)) == 0) {
      return Fail(Outcome::kUsageError,
                  std::string(option->name) + " is not an option of " + CommandName(*command));
    }
  }
  if (std::string problem = MissingOrConflicting(options); !problem.empty()) {
    return Fail(Outcome::kUsageError, std::move(problem));
  }
  if (std::string refusal = Refusal(options); !refusal.empty()) {
    parsed.outcome = Outcome::kRefused;
    parsed.text = std::move(refusal);
  }
  return parsed;
}

}  // namespace harrowlander::cli
