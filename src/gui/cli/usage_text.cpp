#include "gui/cli/usage_text.h"

#include <array>

namespace harrowlander::cli {
namespace {

constexpr std::array<const char*, 9> kCommandHelp = {
    R"(  list-databases [--all]
      The server's user databases, one a line; --all adds the system and sample ones.
)",
    R"(  list-servers [--address ADDRESS]
      The SQL Servers that answer on the local network, one a line (about 2 s).
      --address asks only ADDRESS: one host, or a subnet's broadcast address.
)",
    R"(  backup --database NAME --to PATH [--same-machine] [--append] [--no-verify]
         [--chain] [--compress] [--shrink [--percent N] [--no-truncate-log]]
         [--pack [--archiver PATH]]
  backup {--all-databases | --database NAME ...} --to-dir DIR [--name PATTERN]
         [--exclude PATTERN ...] [--keep N] [--keep-days D [--dry-run]]
         [--same-machine] [--no-verify] [--chain] [--compress]
         [--shrink [--percent N]]
      Backs the database up into PATH on this machine. Without --same-machine the
      server writes it into its share C:\BKSQLData$ and it is copied from there
      (--net-server, --net-user, HARROWLANDER_NET_PASSWORD). The file starts afresh
      unless --append adds this backup to the server's file. --shrink shrinks the
      database to N % free space first (10), emptying its log before unless
      --no-truncate-log. --pack packs PATH into PATH with .bak turned into .rar
      (HARROWLANDER_ARCHIVE_PASSWORD encrypts it), with the archiver at --archiver
      (by default rar on the PATH; on Windows C:\Program Files\WinRAR\WinRAR.exe).
      The server reads the new backup through (RESTORE VERIFYONLY) before it is
      copied, unless --no-verify; PATH.sha256 beside PATH gets its SHA-256, as
      sha256sum writes it. From SQL Server 2005 on the backup is taken WITH
      CHECKSUM and COPY_ONLY, which leaves the server's differential and log
      backups as they were; --chain leaves COPY_ONLY out, for a schedule that is
      the server's only backup. --compress takes it WITH COMPRESSION where the
      server can (SQL Server 2008 Enterprise, 2008 R2 and later Standard and up),
      and says so and goes on without where it cannot.
      Into a folder: --all-databases backs up every user database (as
      list-databases shows them), --database may repeat, --exclude leaves out the
      databases a LIKE pattern matches (% _ [a-z]; may repeat). All of them in one
      run, over one connection, one transfer lock, share and log-on, one after
      another; one that fails is named and the others still run (exit 1). Each
      goes to DIR/PATTERN, by default {database}_{date}_{time}.bak: {database},
      {server}, {date} (yyyyMMdd) and {time} (HHmmss, local time). In names, each
      of \ / : * ? " < > | %, control characters, a leading '.' and a trailing
      '.' or blank is written as % and its two hex digits ("a/b" -> "a%2Fb").
      --keep N keeps a database's N newest backups in DIR (the new one counted),
      --keep-days D those younger than D days; with both, a file goes only when
      neither keeps it. Only once the database's new backup is verified and
      hashed, only files whose names PATTERN gives for that database (read back
      strictly, date and time included), each with its .sha256; never the new
      one, nothing when its backup failed. --dry-run says what would go.
)",
    R"(  restore --database NAME --from PATH [--same-machine] [--drop-first]
          [--keep-file-folders]
      Restores the backup file PATH as the database NAME, its files in the server's
      data folder, or with --keep-file-folders in the folders the backup names.
      --drop-first drops a database of that name first. A PATH.sha256 beside PATH
      is checked first: a file that does not match is not restored.
)",
    R"(  delete --database NAME --yes
      Drops the database and deletes its files on the server.
)",
    R"(  shrink --database NAME [--percent N] [--no-truncate-log]
      Empties the log (unless --no-truncate-log), then shrinks to N % free space (10).
)",
    R"(  drop-tables --database NAME --pattern P [--pattern P ...] --yes
      Drops every user table whose name matches a pattern (LIKE: % and _).
)",
    R"(  verify --from PATH [--server S [--same-machine]]
      Checks PATH against the SHA-256 in PATH.sha256 beside it; with --server the
      server reads it through too (RESTORE VERIFYONLY), on its own disk with
      --same-machine or else copied into its share C:\BKSQLData$ for the time.
)",
    R"(  test-restore --from PATH [--same-machine]
      Proves that the backup restores: restores it as a new scratch database with new
      files in the server's data folder, runs DBCC CHECKDB on it (exit 1 when that
      finds errors) and drops the scratch database again, also when stopped. Nothing
      it did not make is touched.
)",
};

constexpr const char* kCommon = R"(
Common options:
  --server S             the server: (local), host, host\instance or host,port ((local))
  --user U               the SQL login (sa)
  --connect-timeout S    seconds to wait for the connection (15; 0 waits for ever)
  --command-timeout S    seconds a statement may take (60; 0 for no limit)
  --net-server NAME      the server's machine name for its share (from --server)
  --net-user USER        the Windows account for the share (DOMAIN\user allowed)
  --reconnect-window S   backup and restore: seconds a copy whose connection to the
                         share broke goes on connecting again without getting
                         anything through, before it fails (120)
  --json                 one JSON object a line on standard output: status, message,
                         progress, database or server, backup and deleted (into a
                         folder), error, signal, and a last result line
  --help, --version

Passwords are never taken as arguments. Each comes from the first of:
  --sql-password-file F, --net-password-file F, --archive-password-file F
                         (the file's first line; F "-" reads standard input)
  HARROWLANDER_SQL_PASSWORD, HARROWLANDER_NET_PASSWORD, HARROWLANDER_ARCHIVE_PASSWORD
  a prompt without echo, when standard input is a terminal; otherwise empty.

Status lines go to standard error in the dialog's own words, lists to standard output.
The window's settings file is neither read nor written.

Stopping: SIGINT (Ctrl+C), SIGTERM or SIGHUP (on Windows Ctrl+Break or closing the
console) before the operation begins ends the program at once, nothing done. During it,
the operation is stopped: the statement running on the server is cancelled, and what
the run set up on the server is taken down before the program ends (a second signal
does not break that off). A run that has not stopped 75 s after the signal (15 s if it
has not begun to take down what it set up) is left to the next run to clear.

Exit status:
  0    done
  1    the operation failed
  2    a usage error or a refusal (also a --to that cannot take the file)
  130  stopped by SIGINT (Ctrl+C)
  143  stopped by SIGTERM or SIGHUP (Ctrl+Break, or the console closed)
)";

}  // namespace

std::string UsageText() {
  std::string text = "Usage: harrowlander-cli COMMAND [OPTIONS]\n\nCommands:\n";
  for (const char* help : kCommandHelp) {
    text += help;
  }
  return text + kCommon;
}

std::string CommandUsage(Command command) {
  return std::string("Usage:\n") + kCommandHelp[static_cast<size_t>(command)] + kCommon;
}

std::string VersionText() {
  return "harrowlander-cli " HARROWLANDER_VERSION "\n";
}

}  // namespace harrowlander::cli
