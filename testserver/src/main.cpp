// testserver: a test double that plays a SQL Server 2000 on loopback.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "net/server_loop.h"
#include "net/sockets.h"
#include "options.h"
#include "server/cmd_shell.h"
#include "server/consistency.h"
#include "server/engine.h"
#include "server/samba_publisher.h"
#include "server/seed.h"
#include "text.h"

namespace {

int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
  char byte = 1;
  [[maybe_unused]] ssize_t ignored = ::write(g_stopPipe[1], &byte, 1);
}

int Fail(const std::string& what) {
  std::cerr << "testserver: " << what << ": " << std::strerror(errno) << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace testserver;
  std::string message;
  int exitCode = 0;
  auto options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), message, exitCode);
  if (!options) {
    (exitCode == 0 ? std::cout : std::cerr) << message;
    return exitCode;
  }
  if (::pipe2(g_stopPipe, O_CLOEXEC) != 0) {
    return Fail("pipe");
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  try {
    Shares::Publisher publisher;
    if (!options->sambaConf.empty()) {
      publisher = MakeSambaPublisher(options->sambaConf);
    }
    ServerState state(options->stateDir, publisher);
    state.serverName = options->serverName;
    state.shell = options->shell;
    state.product = options->product;
    state.xpCmdShellEnabled = options->xpCmdShell;
    if (options->ansiCodePage) {
      state.literalPage = sql::AnsiCodePage::Open(*options->ansiCodePage);
    }
    state.shares.SetRecordFile(std::filesystem::path(options->stateDir) / "shares.txt");
    for (const auto& [name, path] : options->shares) {
      if (!ShareAtStartup(state, name, path)) {
        std::cerr << "testserver: cannot share " << path << " as " << name << "\n";
        state.shares.Clear();
        return 1;
      }
    }
    if (options->seed) {
      SeedDatabases(state, options->seedArchive);
    }
    for (const std::string& name : options->damaged) {
      auto database = state.catalog.Find(name);
      auto file = database ? state.paths.Map(database->DataFile().physicalName) : std::nullopt;
      if (!file || !MarkDamaged(*file)) {
        std::cerr << "testserver: --damage " << name << ": no such database\n";
        return 1;
      }
    }
    std::map<std::string, Account> accounts{{"sa", Account{options->saPassword, true}}};
    if (!options->userLogin.empty()) {
      accounts[ToLower(options->userLogin)] = Account{options->userPassword, false};
    }
    Engine engine(state, accounts, &options->faults);
    StatementLog log;
    if (!options->logFile.empty() && !log.Open(options->logFile)) {
      return Fail("cannot open " + options->logFile);
    }

    std::unique_ptr<tds::TlsContext> tls;
    if (options->encryption != tds::ServerEncryption::kNotSupported) {
      tls = std::make_unique<tds::TlsContext>(options->serverName, options->tlsCiphers);
    }

    LoopSockets sockets;
    sockets.stopFd = g_stopPipe[0];
    uint16_t tdsPort = 0, browserPort = 0;
    sockets.listenFd = ListenTcp(options->listen, tdsPort);
    if (sockets.listenFd < 0) {
      return Fail("cannot listen on " + options->listen.address + ":" +
                  std::to_string(options->listen.port));
    }
    if (options->browser) {
      sockets.browserFd = BindUdp(*options->browser, browserPort);
      if (sockets.browserFd < 0) {
        return Fail("cannot bind the browser responder");
      }
      std::cout << "browser " << options->browser->address << ":" << browserPort << "\n";
    }
    std::cout << "ready " << options->listen.address << ":" << tdsPort << std::endl;

    SessionServices services{engine,
                             options->faults,
                             log,
                             options->serverName,
                             options->tdsVersion,
                             DescribeProduct(options->product).loginVersion,
                             options->encryption,
                             tls.get()};
    RunServerLoop(sockets, services,
                  BrowserInfo{options->serverName, options->instance, tdsPort,
                              std::string(DescribeProduct(options->product).version)});
    state.shares.Clear();
    ::close(sockets.listenFd);
    if (sockets.browserFd >= 0) {
      ::close(sockets.browserFd);
    }
  } catch (const std::exception& error) {
    std::cerr << "testserver: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
