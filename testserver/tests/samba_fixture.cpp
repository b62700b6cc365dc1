#include "samba_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

int FreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0) {
    port = ntohs(addr.sin_port);
  }
  ::close(fd);
  return port;
}

bool Accepts(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
      out.append(buffer, n);
    }
    ::pclose(pipe);
  }
  return out;
}

}  // namespace

bool SambaFixture::Available() {
  return ::access("/usr/sbin/smbd", X_OK) == 0 && ::access("/usr/bin/net", X_OK) == 0 &&
         ::access("/usr/bin/smbclient", X_OK) == 0 && ::geteuid() == 0;
}

SambaFixture::SambaFixture() {
  if (!Available()) {
    return;
  }
  const fs::path& b = m_dir.Path();
  for (const char* sub : {"etc", "state", "lock", "cache", "private", "pid", "ncalrpc", "log"}) {
    fs::create_directories(b / sub);
  }
  m_port = FreePort();
  std::ofstream(ConfFile()) << "[global]\n"
                            << "server role = standalone server\nworkgroup = WORKGROUP\n"
                            << "netbios name = TESTSRV\ninterfaces = 127.0.0.1\n"
                            << "bind interfaces only = yes\nsmb ports = " << m_port << "\n"
                            << "disable netbios = yes\n"
                            << "lock directory = " << (b / "lock").string() << "\n"
                            << "state directory = " << (b / "state").string() << "\n"
                            << "cache directory = " << (b / "cache").string() << "\n"
                            << "private dir = " << (b / "private").string() << "\n"
                            << "pid directory = " << (b / "pid").string() << "\n"
                            << "ncalrpc dir = " << (b / "ncalrpc").string() << "\n"
                            << "log file = " << (b / "log").string() << "/log.%m\n"
                            << "passdb backend = tdbsam:" << (b / "private").string()
                            << "/passdb.tdb\n"
                            << "load printers = no\nprinting = bsd\nprintcap name = /dev/null\n"
                            << "disable spoolss = yes\nmap to guest = never\n"
                            << "rpc start on demand helpers = no\nregistry shares = yes\n";
  Run(std::string("printf '%s\\n%s\\n' '") + kPassword + "' '" + kPassword + "' | smbpasswd -c " +
      ConfFile() + " -s -a root >/dev/null 2>&1");
  m_pid = ::fork();
  if (m_pid == 0) {
    int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execl("/usr/sbin/smbd", "smbd", "--foreground", "-d", "0", "-s", ConfFile().c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int i = 0; i < 100 && !Accepts(m_port); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

SambaFixture::~SambaFixture() {
  if (m_pid > 0) {
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
  }
}

std::string SambaFixture::Client(const std::string& share, const std::string& command) const {
  return Run("timeout 20 smbclient '//127.0.0.1/" + share + "' -p " + std::to_string(m_port) +
             " -U 'root%" + kPassword + "' -c '" + command + "' 2>&1");
}
