#include "server_loop.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <list>
#include <map>
#include <mutex>
#include <thread>

namespace testserver {

namespace {

class Clients {
 public:
  void Start(int fd, SessionServices& services) {
    std::lock_guard lock(m_mutex);
    int spid = m_nextSpid++;
    m_open[spid] = fd;
    m_threads[spid] = std::thread([this, fd, spid, &services] {
      ServeConnection(fd, spid, services);
      ::close(fd);
      std::lock_guard inner(m_mutex);
      m_open.erase(spid);
      m_finished.push_back(spid);
    });
  }

  void Reap() {
    std::list<std::thread> done;
    {
      std::lock_guard lock(m_mutex);
      for (int spid : m_finished) {
        done.push_back(std::move(m_threads[spid]));
        m_threads.erase(spid);
      }
      m_finished.clear();
    }
    for (auto& t : done) {
      t.join();
    }
  }

  void StopAll() {
    std::map<int, std::thread> threads;
    {
      std::lock_guard lock(m_mutex);
      for (auto& [spid, fd] : m_open) {
        ::shutdown(fd, SHUT_RDWR);
      }
      threads.swap(m_threads);
    }
    for (auto& [spid, t] : threads) {
      t.join();
    }
  }

 private:
  std::mutex m_mutex;
  int m_nextSpid = 51;
  std::map<int, int> m_open;  // spid -> socket
  std::map<int, std::thread> m_threads;
  std::list<int> m_finished;
};

void AnswerBrowser(int fd, const BrowserInfo& info) {
  uint8_t buffer[1024];
  sockaddr_in from{};
  socklen_t length = sizeof from;
  ssize_t got =
      ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
  if (got <= 0) {
    return;
  }
  auto reply = BrowserReply(std::vector<uint8_t>(buffer, buffer + got), info);
  if (reply) {
    ::sendto(fd, reply->data(), reply->size(), 0, reinterpret_cast<sockaddr*>(&from), length);
  }
}

}  // namespace

void RunServerLoop(const LoopSockets& sockets, SessionServices& services,
                   const BrowserInfo& browser) {
  Clients clients;
  for (;;) {
    pollfd fds[3] = {
        {sockets.stopFd, POLLIN, 0}, {sockets.listenFd, POLLIN, 0}, {sockets.browserFd, POLLIN, 0}};
    int rc = ::poll(fds, sockets.browserFd >= 0 ? 3 : 2, 1000);
    if (rc < 0 && errno != EINTR) {
      break;
    }
    clients.Reap();
    if (rc <= 0) {
      continue;
    }
    if (fds[0].revents) {
      break;
    }
    if (fds[1].revents & POLLIN) {
      int fd = ::accept4(sockets.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        clients.Start(fd, services);
      }
    }
    if (sockets.browserFd >= 0 && (fds[2].revents & POLLIN)) {
      AnswerBrowser(sockets.browserFd, browser);
    }
  }
  clients.StopAll();
}

}  // namespace testserver
