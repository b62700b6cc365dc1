#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace harrowlander::cli {

enum class Command {
  kListDatabases,
  kListServers,
  kBackup,
  kRestore,
  kDelete,
  kShrink,
  kDropTables,
  kVerify,
  kTestRestore
};

// The command's name as typed: "list-databases", "backup", ...
const char* CommandName(Command command);

// Everything the command line says. Values stay as typed: numbers are checked by the
// dialog's own data exchange, paths are completed when the command runs.
struct Options {
  Command command = Command::kListDatabases;

  // Common to every command; unset means the dialog's default.
  std::optional<std::string> server;
  std::optional<std::string> user;
  std::optional<std::string> connectTimeout;
  std::optional<std::string> commandTimeout;
  std::optional<std::string> netServer;
  std::optional<std::string> netUser;
  std::optional<std::string> sqlPasswordFile;
  std::optional<std::string> netPasswordFile;
  std::optional<std::string> archivePasswordFile;
  bool json = false;

  std::string database;  // the last --database
  std::string to;
  // backup of several databases into a folder
  std::vector<std::string> databases;  // every --database, in order
  bool allDatabases = false;
  std::vector<std::string> excluded;  // --exclude LIKE patterns
  std::string toDir;
  std::optional<std::string> name;      // --name PATTERN
  std::optional<std::string> keep;      // --keep N
  std::optional<std::string> keepDays;  // --keep-days D
  bool dryRun = false;
  bool compress = false;
  std::string from;
  std::optional<std::string> percent;
  std::optional<std::string> archiver;
  std::optional<std::string> address;
  std::vector<std::string> patterns;
  bool all = false;
  bool sameMachine = false;
  bool append = false;
  bool shrink = false;
  bool noTruncateLog = false;
  bool pack = false;
  bool dropFirst = false;
  bool keepFileFolders = false;
  bool yes = false;
  bool noVerify = false;
  bool chain = false;
  std::optional<std::string> reconnectWindow;
};

// A backup of several databases, or of one into a folder under a pattern's name.
inline bool BacksUpIntoFolder(const Options& options) {
  return options.command == Command::kBackup &&
         (options.allDatabases || options.databases.size() > 1 || !options.toDir.empty());
}

// --keep and --keep-days as numbers (checked by ParseCommandLine); unset when not given.
std::optional<int> KeepNewest(const Options& options);
std::optional<int> KeepDays(const Options& options);

// How long a copy over the network whose connection broke goes on connecting again
// without getting through: --reconnect-window, checked by ParseCommandLine, or 120 s.
std::chrono::seconds ReconnectWindow(const Options& options);

struct ParsedCommandLine {
  enum class Outcome {
    kRun,
    kHelp,     // text holds the help to print
    kVersion,  // text holds the version line
    kUsageError,
    kRefused,  // a destructive command without --yes
  };
  Outcome outcome = Outcome::kRun;
  Options options;
  std::string text;  // the help, the version, or what is wrong
};

// Reads the arguments after the program's name. A password given as an argument is a
// usage error whose text says why and never repeats the value.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace harrowlander::cli
