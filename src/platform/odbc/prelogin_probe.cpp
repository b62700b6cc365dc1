#include "platform/odbc/prelogin_probe.h"

#ifndef _WIN32
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>
#endif

namespace harrowlander::odbc {

#ifdef _WIN32

std::optional<ServerEncryption> ProbeServerEncryption(const std::string&, int, int) {
  return std::nullopt;
}

#else

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kPreloginPacket = 0x12, kEndOfMessage = 0x01;
constexpr std::uint8_t kEncryptionOption = 0x01, kTerminator = 0xFF;

class Socket {
 public:
  explicit Socket(int fd) : m_fd(fd) {}
  ~Socket() {
    if (m_fd >= 0) {
      ::close(m_fd);
    }
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return m_fd; }

 private:
  int m_fd;
};

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool Wait(int fd, short events, Clock::time_point deadline) {
  pollfd p{fd, events, 0};
  int rc;
  do {
    rc = ::poll(&p, 1, MillisecondsLeft(deadline));
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

// A non-blocking socket connected to host:port before the deadline, or -1.
int ConnectTo(const std::string& host, int port, Clock::time_point deadline) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    return -1;
  }
  int fd = -1;
  for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      continue;
    }
    int error = 0;
    socklen_t length = sizeof error;
    const bool connected =
        (::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ||
         (errno == EINPROGRESS && Wait(fd, POLLOUT, deadline) &&
          ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0));
    if (!connected) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  return fd;
}

bool ReadExact(int fd, std::uint8_t* into, size_t count, Clock::time_point deadline) {
  while (count > 0) {
    if (!Wait(fd, POLLIN, deadline)) {
      return false;
    }
    const ssize_t got = ::recv(fd, into, count, 0);
    if (got <= 0) {
      return false;
    }
    into += got;
    count -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

std::optional<ServerEncryption> ProbeServerEncryption(const std::string& host, int port,
                                                      int timeoutSeconds) {
  const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  Socket socket(ConnectTo(host, port, deadline));
  if (socket.fd() < 0) {
    return std::nullopt;
  }
  // VERSION and ENCRYPTION ("supported, off"), as every client since SQL Server 2000 sends.
  const std::vector<std::uint8_t> request = {
      kPreloginPacket,
      kEndOfMessage,
      0,
      26,
      0,
      0,
      0,
      0,  // header: 8 + 18 bytes
      0x00,
      0,
      11,
      0,
      6,  // VERSION at 11, 6 bytes
      kEncryptionOption,
      0,
      17,
      0,
      1,  // ENCRYPTION at 17, 1 byte
      kTerminator,
      9,
      0,
      0,
      0,
      0,
      0,     // version 9.0.0.0
      0x00,  // encryption supported, off
  };
  if (!Wait(socket.fd(), POLLOUT, deadline) ||
      ::send(socket.fd(), request.data(), request.size(), MSG_NOSIGNAL) !=
          static_cast<ssize_t>(request.size())) {
    return std::nullopt;
  }
  std::uint8_t header[8];
  if (!ReadExact(socket.fd(), header, sizeof header, deadline) || header[0] != 0x04) {
    return std::nullopt;
  }
  const size_t length = (header[2] << 8) | header[3];
  if (length < sizeof header) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> reply(length - sizeof header);
  if (!ReadExact(socket.fd(), reply.data(), reply.size(), deadline)) {
    return std::nullopt;
  }
  for (size_t at = 0; at + 5 <= reply.size() && reply[at] != kTerminator; at += 5) {
    const size_t offset = (reply[at + 1] << 8) | reply[at + 2];
    const size_t size = (reply[at + 3] << 8) | reply[at + 4];
    if (reply[at] == kEncryptionOption && size >= 1 && offset < reply.size() &&
        reply[offset] <= static_cast<std::uint8_t>(ServerEncryption::kRequired)) {
      return static_cast<ServerEncryption>(reply[offset]);
    }
  }
  return std::nullopt;
}

#endif

}  // namespace harrowlander::odbc
