#include "platform/posix/written_bytes_digest.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <system_error>

namespace harrowlander::posix {
namespace {

constexpr std::size_t kChunk = 1u << 20;
// How far the digest may fall behind the copy.
constexpr std::uint64_t kLeadAllowed = 64u << 20;

}  // namespace

WrittenBytesDigest::WrittenBytesDigest(int fd) : m_fd(fd) {}

WrittenBytesDigest::~WrittenBytesDigest() {
  Stop();
}

bool WrittenBytesDigest::Start() {
  try {
    m_thread = std::thread([this] { Run(); });
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void WrittenBytesDigest::WrittenUpTo(std::uint64_t offset) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_written = std::max(m_written, offset);
  m_changed.notify_all();
  m_changed.wait(lock, [&] { return m_failed || m_written - m_hashed <= kLeadAllowed; });
}

std::string WrittenBytesDigest::Finish(std::uint64_t size) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_written = size;
  }
  Stop();
  if (m_failed || m_hashed != size) {
    return {};
  }
  return m_hash.HexDigest();
}

void WrittenBytesDigest::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_last = true;
    m_changed.notify_all();
  }
  if (m_thread.joinable()) {
    m_thread.join();
  }
}

void WrittenBytesDigest::Run() {
  const std::unique_ptr<char[]> buffer(new char[kChunk]);
  std::unique_lock<std::mutex> lock(m_lock);
  for (;;) {
    m_changed.wait(lock, [&] { return m_last || m_written > m_hashed; });
    if (m_written == m_hashed) {
      return;
    }
    const std::uint64_t offset = m_hashed;
    const std::size_t size =
        static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_written - offset));
    lock.unlock();
    ssize_t got;
    do {
      got = pread(m_fd, buffer.get(), size, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
      m_hash.Add(buffer.get(), static_cast<std::size_t>(got));
    }
    lock.lock();
    if (got <= 0) {
      m_failed = true;
      m_changed.notify_all();
      return;
    }
    m_hashed += static_cast<std::uint64_t>(got);
    m_changed.notify_all();
  }
}

}  // namespace harrowlander::posix
