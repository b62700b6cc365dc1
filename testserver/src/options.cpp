#include "options.h"

#include "sql/code_page.h"

namespace testserver {

const char* const kUsage =
    R"(Usage: testserver --state DIR [options]

testserver is a TEST DOUBLE, not Microsoft SQL Server. It plays a SQL Server 2000
(8.00.2039), or with --product 2019 a SQL Server 2019, on loopback for integration
tests and demos: TDS 7.1 to 7.4 logins, the system-table queries, BACKUP/RESTORE
(VERIFYONLY, FILELISTONLY), DROP DATABASE/TABLE, DBCC SHRINKDATABASE and CHECKDB,
xp_cmdshell (mkdir, del, rmdir, net share, echo) acting inside DIR, xp_dirtree and
application locks. Data lives in SQLite.

  --state DIR             state directory: catalog, drives (DIR/c, DIR/d, ...)
  --listen ADDR:PORT      TDS listener, loopback only (default 127.0.0.1:1433;
                          port 0 picks a free one)
  --browser ADDR:PORT     also answer SQL Server Browser datagrams there
  --server-name NAME      machine name reported (default TESTSRV)
  --instance NAME         instance name for the browser (default MSSQLSERVER)
  --sa-password PW        password of the sysadmin login sa (default empty)
  --login NAME:PW         a second login, without sysadmin rights
  --log FILE              append every batch received as one JSON line
  --seed                  fill pubs, Northwind, Sales and Inventory with tables
  --seed-archive          --seed, and the database Archive with two data files
  --samba-conf FILE       publish "net share" folders through Samba (net conf)
  --ansi-code-page N      store literals without N'' in Windows code page N (874,
                          1250-1258) with best-fit replacement; default: as sent
  --shell-language LANG   xp_cmdshell's cmd.exe and net.exe speak en (default) or zh-CN
  --deny-shell WHAT       WHAT (mkdir, net-share or echo) fails: Access is denied
                          (net-share: a service account that is not an administrator,
                          as 2019's is; echo: writing a file through "echo ... > P")
  --share NAME=PATH       NAME is already shared, pointing at PATH, at the start
  --product P             the release played: 2000 (8.00.2039, the default) or 2019
                          (15.0.2000.5: refuses BACKUP LOG ... WITH NO_LOG with 3032,
                          knows BACKUP/RESTORE WITH CHECKSUM and COPY_ONLY; needs
                          --tds-version 7.4, its default). Its version is what
                          PRELOGIN and LOGINACK report (a client's SQL_DBMS_VER:
                          08.00.2039 or 15.00.2000) in every TDS dialect
  --xp-cmdshell on|off    off: xp_cmdshell is switched off and answers 15281 (2019 only)
  --tds-version V         the newest TDS dialect spoken: 7.1, 7.2, 7.3 or 7.4 (the
                          default); it decides the token formats and LOGINACK's TDS
                          version only (the release reported is --product's); an
                          older client is answered in its version
  --encryption MODE       off: the login packet travels encrypted (TLS inside
                          PRELOGIN, with a certificate made at start-up);
                          required: the whole session does, and a client that does
                          not encrypt gets no login; default: encryption not supported
  --tls-ciphers LIST      offer only these TLS cipher suites (OpenSSL names), to play a
                          server whose encryption a client cannot agree to
Fault switches (PATTERN: regular expression, case-insensitive, searched in the batch):
  --delay MS,PATTERN      wait MS milliseconds before running a matching batch (a
                          BACKUP or RESTORE DATABASE WITH STATS reports its progress
                          meanwhile)
  --fail NUMBER,PATTERN   answer a matching batch with error NUMBER (severity 16)
  --fail-text TEXT        the message text of the --fail before it
  --drop PATTERN          close the connection on a matching batch
  --freeze PATTERN        never answer a matching batch (nor run it) until the client
                          closes the connection or the server stops
  --truncate-after PATTERN,PATH,BYTES
                          once a matching batch has run, cut the file at server
                          path PATH to BYTES bytes
  --replace-after PATTERN,PATH
                          once a matching batch has run, rewrite that file in place
                          with other content (its bytes inverted, 64 KB longer)
  --fail-partway PATTERN,BYTES
                          a matching BACKUP DATABASE writes its file, leaves it cut
                          to BYTES bytes and fails: disk full (3202, then 3013)
  --damage NAME           the database NAME is damaged before the server starts: DBCC
                          CHECKDB reports consistency errors in it; its backups carry
                          the damage (RESTORE VERIFYONLY still passes them) and a
                          database restored from one is damaged too (may repeat)
  --refuse-logins         refuse every login with error 18456
  --help                  this text

Prints "ready ADDR:PORT" on standard output once it accepts connections (and
"browser ADDR:PORT" before it when the responder runs). SIGTERM stops it.
)";

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& message,
                                    int& exitCode) {
  Options options;
  exitCode = 2;
  auto fail = [&](const std::string& text) {
    message = "testserver: " + text + "\n";
    return std::nullopt;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      message = kUsage;
      exitCode = 0;
      return std::nullopt;
    }
    if (arg == "--seed") {
      options.seed = true;
      continue;
    }
    if (arg == "--seed-archive") {
      options.seed = options.seedArchive = true;
      continue;
    }
    if (arg == "--refuse-logins") {
      options.faults.RefuseLogins();
      continue;
    }
    if (i + 1 >= args.size()) {
      return fail("unknown option or missing value: " + arg);
    }
    const std::string& value = args[++i];
    if (arg == "--state") {
      options.stateDir = value;
    } else if (arg == "--listen") {
      if (!ParseEndpoint(value, options.listen) || !IsLoopback(options.listen.address)) {
        return fail("--listen needs a loopback ADDR:PORT");
      }
    } else if (arg == "--browser") {
      Endpoint endpoint{"127.0.0.1", 1434};
      if (!ParseEndpoint(value, endpoint) || !IsLoopback(endpoint.address)) {
        return fail("--browser needs a loopback ADDR:PORT");
      }
      options.browser = endpoint;
    } else if (arg == "--server-name") {
      options.serverName = value;
    } else if (arg == "--instance") {
      options.instance = value;
    } else if (arg == "--sa-password") {
      options.saPassword = value;
    } else if (arg == "--login") {
      size_t colon = value.find(':');
      if (colon == std::string::npos || colon == 0) {
        return fail("--login needs NAME:PASSWORD");
      }
      options.userLogin = value.substr(0, colon);
      options.userPassword = value.substr(colon + 1);
    } else if (arg == "--log") {
      options.logFile = value;
    } else if (arg == "--samba-conf") {
      options.sambaConf = value;
    } else if (arg == "--tds-version") {
      auto version = tds::ParseTdsVersion(value);
      if (!version) {
        return fail("--tds-version needs 7.1, 7.2, 7.3 or 7.4");
      }
      options.tdsVersion = *version;
    } else if (arg == "--product") {
      auto product = ParseProduct(value);
      if (!product) {
        return fail("--product needs 2000 or 2019");
      }
      options.product = *product;
    } else if (arg == "--xp-cmdshell") {
      if (value != "on" && value != "off") {
        return fail("--xp-cmdshell needs on or off");
      }
      options.xpCmdShell = value == "on";
    } else if (arg == "--encryption") {
      if (value == "off") {
        options.encryption = tds::ServerEncryption::kLoginOnly;
      } else if (value == "required") {
        options.encryption = tds::ServerEncryption::kRequired;
      } else {
        return fail("--encryption needs off or required");
      }
    } else if (arg == "--tls-ciphers") {
      options.tlsCiphers = value;
    } else if (arg == "--delay") {
      if (!options.faults.AddDelay(value)) {
        return fail("--delay needs MS,PATTERN");
      }
    } else if (arg == "--fail") {
      if (!options.faults.AddFailure(value)) {
        return fail("--fail needs NUMBER,PATTERN");
      }
    } else if (arg == "--fail-text") {
      if (!options.faults.SetLastFailureText(value)) {
        return fail("--fail-text must follow a --fail");
      }
    } else if (arg == "--drop") {
      if (!options.faults.AddDrop(value)) {
        return fail("--drop needs a PATTERN");
      }
    } else if (arg == "--freeze") {
      if (!options.faults.AddFreeze(value)) {
        return fail("--freeze needs a PATTERN");
      }
    } else if (arg == "--truncate-after") {
      if (!options.faults.AddTruncateAfter(value)) {
        return fail("--truncate-after needs PATTERN,PATH,BYTES");
      }
    } else if (arg == "--fail-partway") {
      if (!options.faults.AddFailPartway(value)) {
        return fail("--fail-partway needs PATTERN,BYTES");
      }
    } else if (arg == "--replace-after") {
      if (!options.faults.AddReplaceAfter(value)) {
        return fail("--replace-after needs PATTERN,PATH");
      }
    } else if (arg == "--ansi-code-page") {
      int number = 0;
      try {
        number = std::stoi(value);
      } catch (const std::exception&) {
      }
      if (!sql::AnsiCodePage::Open(number)) {
        return fail("--ansi-code-page needs a single-byte Windows code page: 874, 1250-1258");
      }
      options.ansiCodePage = number;
    } else if (arg == "--shell-language") {
      if (value == "en") {
        options.shell.language = ShellLanguage::English;
      } else if (value == "zh-CN") {
        options.shell.language = ShellLanguage::Chinese;
      } else {
        return fail("--shell-language needs en or zh-CN");
      }
    } else if (arg == "--deny-shell") {
      if (value == "mkdir") {
        options.shell.denyMkdir = true;
      } else if (value == "net-share") {
        options.shell.denyNetShare = true;
      } else if (value == "echo") {
        options.shell.denyEcho = true;
      } else {
        return fail("--deny-shell needs mkdir, net-share or echo");
      }
    } else if (arg == "--damage") {
      if (value.empty()) {
        return fail("--damage needs a database NAME");
      }
      options.damaged.push_back(value);
    } else if (arg == "--share") {
      size_t eq = value.find('=');
      if (eq == std::string::npos || eq == 0 || eq + 1 == value.size()) {
        return fail("--share needs NAME=PATH");
      }
      options.shares.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    } else {
      return fail("unknown option " + arg);
    }
  }
  const ProductInfo& product = DescribeProduct(options.product);
  if (!options.xpCmdShell && !product.hasXpCmdShellSwitch) {
    return fail("--xp-cmdshell off needs --product 2019: SQL Server 2000 cannot switch it off");
  }
  if (options.product == Product::k2019 && options.tdsVersion != tds::TdsVersion::k74) {
    return fail("--product 2019 speaks TDS 7.4; it answers older clients in their version");
  }
  if (options.stateDir.empty()) {
    return fail("--state DIR is required (see --help)");
  }
  return options;
}

}  // namespace testserver
