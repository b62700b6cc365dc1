// A TCP relay on loopback that holds every byte for a fixed time in each direction, so
// that a benchmark sees the round trips of a real link: what arrives at one side is
// written to the other side the delay later. Bandwidth is whatever loopback and the
// two cores give.
// Usage: delay_proxy LISTEN_PORT TARGET_PORT DELAY_MS
// Listens on 127.0.0.1:LISTEN_PORT and relays each connection to 127.0.0.1:TARGET_PORT;
// prints "ready" once it listens. Runs until it is killed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadSize = 256 * 1024;
// What one direction may hold before its reader waits: far more than a 5 ms link
// carries at loopback speed, so it never limits the relay, only its memory.
constexpr std::size_t kMostHeld = 256u << 20;

struct Held {
  Clock::time_point due;
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
};

// One direction of one connection: a reader that stamps what it gets and a writer that
// sends it on when it is due.
class Direction {
 public:
  Direction(int from, int to, Clock::duration delay) : m_from(from), m_to(to), m_delay(delay) {}

  void Run() {
    std::thread writer([this] { Write(); });
    Read();
    writer.join();
  }

 private:
  void Read() {
    for (;;) {
      std::unique_ptr<char[]> bytes = TakeBuffer();
      const ssize_t got = read(m_from, bytes.get(), kReadSize);
      if (got < 0 && errno == EINTR) {
        GiveBuffer(std::move(bytes));
        continue;
      }
      const Clock::time_point due = Clock::now() + m_delay;
      std::unique_lock<std::mutex> lock(m_lock);
      if (got <= 0) {
        m_ended = true;
        m_changed.notify_all();
        return;
      }
      m_changed.wait(lock, [&] { return m_heldBytes < kMostHeld || m_broken; });
      if (m_broken) {
        return;
      }
      m_heldBytes += static_cast<std::size_t>(got);
      m_queue.push_back({due, std::move(bytes), static_cast<std::size_t>(got)});
      m_changed.notify_all();
    }
  }

  void Write() {
    for (;;) {
      Held next;
      {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return m_ended || !m_queue.empty(); });
        if (m_queue.empty()) {
          shutdown(m_to, SHUT_WR);
          return;
        }
        next = std::move(m_queue.front());
        m_queue.pop_front();
      }
      std::this_thread::sleep_until(next.due);
      if (!WriteAll(next)) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_broken = true;
        m_changed.notify_all();
        shutdown(m_from, SHUT_RD);
        return;
      }
      std::lock_guard<std::mutex> lock(m_lock);
      m_heldBytes -= next.size;
      m_free.push_back(std::move(next.bytes));
      m_changed.notify_all();
    }
  }

  // Buffers go round between the two threads: a fresh one for every read would cost a
  // mapping and its page faults each time.
  std::unique_ptr<char[]> TakeBuffer() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_free.empty()) {
      return std::unique_ptr<char[]>(new char[kReadSize]);
    }
    std::unique_ptr<char[]> buffer = std::move(m_free.back());
    m_free.pop_back();
    return buffer;
  }
  void GiveBuffer(std::unique_ptr<char[]> buffer) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_free.push_back(std::move(buffer));
  }

  bool WriteAll(const Held& held) {
    std::size_t done = 0;
    while (done < held.size) {
      const ssize_t written = write(m_to, held.bytes.get() + done, held.size - done);
      if (written < 0 && errno == EINTR) {
        continue;
      }
      if (written <= 0) {
        return false;
      }
      done += static_cast<std::size_t>(written);
    }
    return true;
  }

  int m_from;
  int m_to;
  Clock::duration m_delay;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::deque<Held> m_queue;
  std::vector<std::unique_ptr<char[]>> m_free;
  std::size_t m_heldBytes = 0;
  bool m_ended = false;
  bool m_broken = false;
};

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

void NoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void Relay(int client, int targetPort, Clock::duration delay) {
  const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in target = Loopback(targetPort);
  if (server < 0 ||
      connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
    close(client);
    if (server >= 0) {
      close(server);
    }
    return;
  }
  NoDelay(client);
  NoDelay(server);
  Direction up(client, server, delay);
  Direction down(server, client, delay);
  std::thread upThread([&] { up.Run(); });
  down.Run();
  upThread.join();
  close(client);
  close(server);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: delay_proxy LISTEN_PORT TARGET_PORT DELAY_MS\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  const int listenPort = std::atoi(argv[1]);
  const int targetPort = std::atoi(argv[2]);
  const auto delay = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double, std::milli>(std::atof(argv[3])));

  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in address = Loopback(listenPort);
  if (listener < 0 ||
      bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 64) != 0) {
    std::perror("delay_proxy");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      if (errno == EINTR || errno == ECONNABORTED) {
        continue;
      }
      std::perror("delay_proxy");
      return 1;
    }
    std::thread(Relay, client, targetPort, delay).detach();
  }
}
