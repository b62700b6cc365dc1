// The database list's round trip (connect, query, read the names, close) through the
// product's ODBC adapter, against FreeTDS's tsql running the same query on the same
// testserver. Prints the median of each and their ratio (product / tsql).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "platform/odbc/odbc_connection_factory.h"
#include "res/resource_ids.h"
#include "server_process.h"
#include "ui/harrowlander_dlg.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kQuery =
    "select name from dbo.sysdatabases  where name not in "
    "('master','model','msdb','northwind','pubs','tempdb') order by name";

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// One tsql run: log in, send the query, read the rows, quit. False when it failed.
bool RunTsql(int port, const char* password) {
  int input[2];
  if (pipe(input) != 0) {
    return false;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(input[0], 0);
    close(input[0]);
    close(input[1]);
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    setenv("TDSVER", "7.4", 1);
    const std::string portText = std::to_string(port);
    execlp("tsql", "tsql", "-H", "127.0.0.1", "-p", portText.c_str(), "-U", "sa", "-P", password,
           "-D", "master", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(input[0]);
  const std::string script = std::string(kQuery) + "\ngo\nquit\n";
  const bool written =
      write(input[1], script.data(), script.size()) == static_cast<ssize_t>(script.size());
  close(input[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  return written && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace harrowlander;
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 50;
  ServerProcess server({"--seed"});
  if (!server.Ready()) {
    std::fprintf(stderr, "testserver did not start\n");
    return 1;
  }

  odbc::OdbcConnectionFactory odbcFactory;
  testing::FakePlatform fake;
  fake.sql.real = &odbcFactory;
  CHarrowlanderDlg dlg(fake.ports);
  dlg.m_strServer = "127.0.0.1," + std::to_string(server.Port());
  dlg.m_strSqlPassword = ServerProcess::kSaPassword;
  dlg.UpdateData(false);

  std::vector<double> ours, tsql;
  for (int i = 0; i < rounds; ++i) {
    auto start = Clock::now();
    fake.window.events.clear();
    dlg.OnDropdownDatabase();
    ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (dlg.m_strStatus != "完成查找." || fake.window.combos[res::IDC_DATABASE].items.empty()) {
      std::fprintf(stderr, "database list failed: %s\n", dlg.m_strStatus.c_str());
      return 1;
    }

    start = Clock::now();
    if (!RunTsql(server.Port(), ServerProcess::kSaPassword)) {
      std::fprintf(stderr, "tsql failed\n");
      return 1;
    }
    tsql.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }

  const double oursMs = Median(ours);
  const double tsqlMs = Median(tsql);
  std::printf("database list round trip, median of %d (connect, query, rows, close)\n", rounds);
  std::printf("  harrowlander (ODBC adapter, in process): %8.3f ms\n", oursMs);
  std::printf("  tsql (FreeTDS, one process per run):     %8.3f ms\n", tsqlMs);
  std::printf("  ratio harrowlander / tsql: %.3f (target <= 1.1)\n", oursMs / tsqlMs);
  return oursMs / tsqlMs <= 1.1 ? 0 : 2;
}
