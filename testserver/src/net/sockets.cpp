#include "sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace testserver {

namespace {

int BoundSocket(int type, const Endpoint& endpoint, uint16_t& bound) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(endpoint.port);
  if (!IsLoopback(endpoint.address) ||
      inet_pton(AF_INET, endpoint.address.c_str(), &addr.sin_addr) != 1) {
    errno = EADDRNOTAVAIL;
    return -1;
  }
  int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return -1;
  }
  int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
  }
  socklen_t length = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  bound = ntohs(addr.sin_port);
  return fd;
}

}  // namespace

bool ParseEndpoint(const std::string& text, Endpoint& endpoint) {
  size_t colon = text.rfind(':');
  std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
  if (colon != std::string::npos && colon > 0) {
    endpoint.address = text.substr(0, colon);
  }
  try {
    size_t used = 0;
    int value = std::stoi(port, &used);
    if (used != port.size() || value < 0 || value > 65535) {
      return false;
    }
    endpoint.port = static_cast<uint16_t>(value);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool IsLoopback(const std::string& address) {
  in_addr parsed{};
  return inet_pton(AF_INET, address.c_str(), &parsed) == 1 && (ntohl(parsed.s_addr) >> 24) == 127;
}

int ListenTcp(const Endpoint& endpoint, uint16_t& bound) {
  int fd = BoundSocket(SOCK_STREAM, endpoint, bound);
  if (fd >= 0 && ::listen(fd, 64) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int BindUdp(const Endpoint& endpoint, uint16_t& bound) {
  return BoundSocket(SOCK_DGRAM, endpoint, bound);
}

}  // namespace testserver
