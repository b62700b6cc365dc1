#include "platform/smb/dialect_probe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <vector>

namespace harrowlander::smb {
namespace {

constexpr int kWaitMilliseconds = 5000;

// An SMB1 NEGOTIATE request offering NT LM 0.12 and the SMB2 dialects, behind the
// four-byte length of a direct TCP session. A server that speaks SMB2 answers with an
// SMB2 NEGOTIATE response, one that speaks SMB1 only with the index of the dialect it
// chose, 0xFFFF for none.
std::vector<unsigned char> NegotiateRequest() {
  const std::string_view dialects[] = {"NT LM 0.12", "SMB 2.002", "SMB 2.???"};
  std::vector<unsigned char> body;
  for (std::string_view dialect : dialects) {
    body.push_back(0x02);  // buffer format: dialect string
    body.insert(body.end(), dialect.begin(), dialect.end());
    body.push_back(0);
  }
  std::vector<unsigned char> message = {0xFF, 'S', 'M', 'B', 0x72};  // SMB_COM_NEGOTIATE
  message.resize(32, 0);                                             // status, flags, ids: 0
  message[9] = 0x18;     // flags: canonical paths, case-insensitive
  message[10] = 0x01;    // flags2 (low byte): long names
  message[11] = 0xC8;    // flags2 (high byte): Unicode, NT status, extended security
  message.push_back(0);  // word count
  message.push_back(static_cast<unsigned char>(body.size() & 0xFF));
  message.push_back(static_cast<unsigned char>(body.size() >> 8));
  message.insert(message.end(), body.begin(), body.end());
  std::vector<unsigned char> framed = {0, 0, static_cast<unsigned char>(message.size() >> 8),
                                       static_cast<unsigned char>(message.size() & 0xFF)};
  framed.insert(framed.end(), message.begin(), message.end());
  return framed;
}

DialectAnswer Judge(const std::vector<unsigned char>& reply) {
  if (reply.size() >= 4 + 35 && reply[4] == 0xFF && reply[5] == 'S' && reply[6] == 'M' &&
      reply[7] == 'B' && reply[8] == 0x72) {
    const unsigned char* smb = reply.data() + 4;
    const bool success = smb[5] == 0 && smb[6] == 0 && smb[7] == 0 && smb[8] == 0;
    const unsigned index = smb[33] | (smb[34] << 8);
    if (!success || smb[32] == 0) {
      return DialectAnswer::kUnknown;
    }
    return index == 0        ? DialectAnswer::kAgreed
           : index == 0xFFFF ? DialectAnswer::kNoCommonDialect
                             : DialectAnswer::kUnknown;
  }
  if (reply.size() >= 4 + 64 + 6 && reply[4] == 0xFE && reply[5] == 'S' && reply[6] == 'M' &&
      reply[7] == 'B') {
    // Any SMB2 answer to this request means the server negotiates SMB2 or later.
    return DialectAnswer::kAgreed;
  }
  return DialectAnswer::kUnknown;
}

class Socket {
 public:
  explicit Socket(int fd) : m_fd(fd) {}
  ~Socket() {
    if (m_fd >= 0) {
      close(m_fd);
    }
  }
  int fd() const { return m_fd; }

 private:
  int m_fd;
};

using Deadline = std::chrono::steady_clock::time_point;

// Waits for the event before the deadline.
bool WaitFor(int fd, short event, Deadline deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return false;
    }
    pollfd entry{fd, event, 0};
    const int ready = poll(&entry, 1, static_cast<int>(left.count()));
    if (ready > 0) {
      return true;
    }
    if (ready == 0 || errno != EINTR) {
      return false;
    }
  }
}

bool Connect(int fd, const addrinfo& address, Deadline deadline) {
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
    return true;
  }
  if (errno != EINPROGRESS || !WaitFor(fd, POLLOUT, deadline)) {
    return false;
  }
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool SendAll(int fd, const std::vector<unsigned char>& data, Deadline deadline) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(fd, POLLOUT, deadline)) {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

// One message: the four-byte length, then that many bytes (enough of them to judge).
std::vector<unsigned char> ReceiveMessage(int fd, Deadline deadline) {
  std::vector<unsigned char> reply;
  std::size_t wanted = 4;
  unsigned char buffer[512];
  while (reply.size() < wanted) {
    if (!WaitFor(fd, POLLIN, deadline)) {
      return {};
    }
    const ssize_t n = recv(fd, buffer, std::min(sizeof buffer, wanted - reply.size()), 0);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) {
        continue;
      }
      return {};
    }
    reply.insert(reply.end(), buffer, buffer + n);
    if (wanted == 4 && reply.size() == 4) {
      const std::size_t length = (reply[1] << 16) | (reply[2] << 8) | reply[3];
      wanted = 4 + std::min<std::size_t>(length, 256);
    }
  }
  return reply;
}

}  // namespace

DialectAnswer ProbeDialects(const std::string& server, int port) {
  const Deadline deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMilliseconds);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addresses = nullptr;
  const std::string service = std::to_string(port == 0 ? 445 : port);
  if (getaddrinfo(server.c_str(), service.c_str(), &hints, &addresses) != 0) {
    return DialectAnswer::kUnknown;
  }
  DialectAnswer answer = DialectAnswer::kUnknown;
  for (const addrinfo* address = addresses; address != nullptr; address = address->ai_next) {
    Socket socket(
        ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.fd() >= 0 && Connect(socket.fd(), *address, deadline)) {
      if (SendAll(socket.fd(), NegotiateRequest(), deadline)) {
        answer = Judge(ReceiveMessage(socket.fd(), deadline));
      }
      break;
    }
  }
  freeaddrinfo(addresses);
  return answer;
}

}  // namespace harrowlander::smb
