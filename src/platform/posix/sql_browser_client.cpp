#include "platform/posix/sql_browser_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>

#include "platform/posix/broadcast_targets.h"

namespace harrowlander::posix {
namespace {

constexpr unsigned char kClientBroadcastEx = 0x02;
constexpr unsigned char kServerResponse = 0x05;
constexpr std::uint32_t kPlatformIdNt = 500;
constexpr std::uint32_t kTypeSqlServer = 0x4;

ServerEntry EntryOf(const std::map<std::string, std::string>& fields) {
  auto field = [&](const char* key) {
    for (const auto& [name, value] : fields) {
      if (strcasecmp(name.c_str(), key) == 0) {
        return value;
      }
    }
    return std::string();
  };
  ServerEntry entry;
  entry.platformId = kPlatformIdNt;
  entry.type = kTypeSqlServer;
  entry.name = field("ServerName");
  const std::string instance = field("InstanceName");
  if (!instance.empty() && strcasecmp(instance.c_str(), "MSSQLSERVER") != 0) {
    entry.name += "\\" + instance;
  }
  const std::string version = field("Version");
  entry.versionMajor = static_cast<std::uint32_t>(std::strtoul(version.c_str(), nullptr, 10));
  if (const size_t dot = version.find('.'); dot != std::string::npos) {
    entry.versionMinor =
        static_cast<std::uint32_t>(std::strtoul(version.c_str() + dot + 1, nullptr, 10));
  }
  return entry;
}

class Socket {
 public:
  Socket() : m_fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
  ~Socket() {
    if (m_fd >= 0) {
      close(m_fd);
    }
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return m_fd; }

 private:
  int m_fd;
};

}  // namespace

std::vector<ServerEntry> ParseBrowserResponse(std::string_view datagram) {
  if (datagram.size() < 3 || static_cast<unsigned char>(datagram[0]) != kServerResponse) {
    return {};
  }
  const size_t length = static_cast<unsigned char>(datagram[1]) |
                        (static_cast<size_t>(static_cast<unsigned char>(datagram[2])) << 8);
  std::string_view text = datagram.substr(3, length);
  std::vector<ServerEntry> entries;
  std::map<std::string, std::string> fields;
  // Instances are "Key;Value;" pairs, each instance ended by an empty key (";;").
  size_t i = 0;
  while (i < text.size()) {
    const size_t keyEnd = text.find(';', i);
    if (keyEnd == std::string_view::npos) {
      break;
    }
    if (keyEnd == i) {
      if (!fields.empty()) {
        entries.push_back(EntryOf(fields));
        fields.clear();
      }
      i = keyEnd + 1;
      continue;
    }
    const size_t valueEnd = std::min(text.find(';', keyEnd + 1), text.size());
    fields[std::string(text.substr(i, keyEnd - i))] =
        std::string(text.substr(keyEnd + 1, valueEnd - keyEnd - 1));
    i = valueEnd + 1;
  }
  if (!fields.empty()) {
    entries.push_back(EntryOf(fields));
  }
  return entries;
}

SqlBrowserClient::SqlBrowserClient(std::string address, int port, std::chrono::milliseconds wait)
    : m_address(std::move(address)), m_port(port), m_wait(wait) {}

ServerEnumeration SqlBrowserClient::EnumerateSqlServers() {
  ServerEnumeration result;
  Socket socket;
  const int on = 1;
  if (socket.fd() < 0 || setsockopt(socket.fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    result.status = static_cast<std::uint32_t>(errno);
    return result;
  }
  const std::vector<std::string> targets = m_address == kLocalNetworkBroadcast
                                               ? LocalBroadcastTargets()
                                               : std::vector<std::string>{m_address};
  int sent = 0;
  int lastError = EINVAL;
  for (const std::string& address : targets) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(m_port));
    if (inet_pton(AF_INET, address.c_str(), &target.sin_addr) == 1 &&
        sendto(socket.fd(), &kClientBroadcastEx, 1, 0, reinterpret_cast<sockaddr*>(&target),
               sizeof target) == 1) {
      ++sent;
    } else if (errno != 0) {
      lastError = errno;
    }
  }
  if (sent == 0) {
    result.status = static_cast<std::uint32_t>(lastError);
    return result;
  }
  const auto deadline = std::chrono::steady_clock::now() + m_wait;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      break;
    }
    pollfd ready{socket.fd(), POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) {
      continue;
    }
    if (polled <= 0) {
      break;
    }
    char datagram[65536];
    const ssize_t got = recv(socket.fd(), datagram, sizeof datagram, 0);
    if (got > 0) {
      for (ServerEntry& entry :
           ParseBrowserResponse(std::string_view(datagram, static_cast<size_t>(got)))) {
        const bool listed =
            std::any_of(result.entries.begin(), result.entries.end(), [&](const ServerEntry& seen) {
              return strcasecmp(seen.name.c_str(), entry.name.c_str()) == 0;
            });
        if (!listed) {
          result.entries.push_back(std::move(entry));
        }
      }
    }
  }
  result.totalEntries = static_cast<std::uint32_t>(result.entries.size());
  return result;
}

}  // namespace harrowlander::posix
