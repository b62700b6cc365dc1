#include "platform/smb/connection_cut.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace harrowlander::smb {
namespace {

// The server as an address, when it is given as one.
struct ServerAddress {
  explicit ServerAddress(const std::string& server) {
    isV4 = inet_pton(AF_INET, server.c_str(), &v4) == 1;
    isV6 = !isV4 && inet_pton(AF_INET6, server.c_str(), &v6) == 1;
  }
  bool Matches(const sockaddr_storage& peer, int port) const {
    if (peer.ss_family == AF_INET) {
      const auto& address = reinterpret_cast<const sockaddr_in&>(peer);
      return PortMatches(ntohs(address.sin_port), port) &&
             (isV4 ? address.sin_addr.s_addr == v4.s_addr : !isV6);
    }
    if (peer.ss_family == AF_INET6) {
      const auto& address = reinterpret_cast<const sockaddr_in6&>(peer);
      if (!PortMatches(ntohs(address.sin6_port), port)) {
        return false;
      }
      if (isV6) {
        return std::memcmp(&address.sin6_addr, &v6, sizeof v6) == 0;
      }
      if (isV4) {
        return IN6_IS_ADDR_V4MAPPED(&address.sin6_addr) &&
               std::memcmp(&address.sin6_addr.s6_addr[12], &v4, sizeof v4) == 0;
      }
      return true;
    }
    return false;
  }
  static bool PortMatches(int peerPort, int port) {
    return port != 0 ? peerPort == port : peerPort == 445 || peerPort == 139;
  }

  in_addr v4{};
  in6_addr v6{};
  bool isV4 = false;
  bool isV6 = false;
};

}  // namespace

void CutConnectionsTo(const std::string& server, int port) {
  const ServerAddress address(server);
  DIR* descriptors = opendir("/proc/self/fd");
  if (descriptors == nullptr) {
    return;
  }
  while (const dirent* entry = readdir(descriptors)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == dirfd(descriptors)) {
      continue;
    }
    // A copy of the descriptor holds on to the socket it names now, whatever another
    // thread does with the number meanwhile.
    const int copy = fcntl(static_cast<int>(fd), F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
      continue;
    }
    int type = 0;
    socklen_t typeLength = sizeof type;
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof peer;
    if (getsockopt(copy, SOL_SOCKET, SO_TYPE, &type, &typeLength) == 0 && type == SOCK_STREAM &&
        getpeername(copy, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0 &&
        address.Matches(peer, port)) {
      shutdown(copy, SHUT_RDWR);
    }
    close(copy);
  }
  closedir(descriptors);
}

}  // namespace harrowlander::smb
