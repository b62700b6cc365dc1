#include "options.h"

namespace testserver {

const char* const kUsage =
    R"(Usage: testserver --state DIR [options]

testserver is a TEST DOUBLE, not Microsoft SQL Server. It plays a SQL Server 2000
(8.00.2039) on loopback for integration tests and demos: TDS 7.4 logins, the
system-table queries, BACKUP/RESTORE, DROP DATABASE/TABLE, DBCC SHRINKDATABASE and
xp_cmdshell (mkdir, del, rmdir, net share) acting inside DIR. Data lives in SQLite.

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
  --samba-conf FILE       publish "net share" folders through Samba (net conf)
Fault switches (PATTERN: regular expression, case-insensitive, searched in the batch):
  --delay MS,PATTERN      wait MS milliseconds before running a matching batch
  --fail NUMBER,PATTERN   answer a matching batch with error NUMBER (severity 16)
  --fail-text TEXT        the message text of the --fail before it
  --drop PATTERN          close the connection on a matching batch
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
    } else {
      return fail("unknown option " + arg);
    }
  }
  if (options.stateDir.empty()) {
    return fail("--state DIR is required (see --help)");
  }
  return options;
}

}  // namespace testserver
