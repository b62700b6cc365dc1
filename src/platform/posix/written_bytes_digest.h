#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/posix/sha256.h"

namespace harrowlander::posix {

// The SHA-256 of a file that a copy is writing, taken on a thread of its own from the
// file's own pages while the copy goes on: the copy says how far the file is written,
// the digest reads up to there in chunks that stay in the processor's cache. The copy
// is held back while the digest is far behind, so that what it reads is still in memory.
class WrittenBytesDigest {
 public:
  // fd must stay open, and readable, until Finish or the destructor.
  explicit WrittenBytesDigest(int fd);
  ~WrittenBytesDigest();
  WrittenBytesDigest(const WrittenBytesDigest&) = delete;
  WrittenBytesDigest& operator=(const WrittenBytesDigest&) = delete;

  // False when the thread could not be started.
  bool Start();
  // The file holds its final bytes up to offset: waits while the digest is too far behind.
  void WrittenUpTo(std::uint64_t offset);
  // 64 lowercase hex digits of the file's first `size` bytes, once the digest has read
  // them; "" when a read failed or the file ended before.
  std::string Finish(std::uint64_t size);

 private:
  void Run();
  void Stop();

  int m_fd;
  Sha256 m_hash;
  std::thread m_thread;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::uint64_t m_written = 0;
  std::uint64_t m_hashed = 0;
  bool m_last = false;
  bool m_failed = false;
};

}  // namespace harrowlander::posix
