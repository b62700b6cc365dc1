#include "platform/posix/copy_endpoints.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace harrowlander::posix {
namespace {

// What the streams share: the next piece to take, which pieces have been written, and
// whether the copy failed. The calling thread waits on it to report progress.
class PieceBoard {
 public:
  PieceBoard(std::uint64_t size, std::size_t pieceSize, int streams)
      : m_size(size),
        m_pieceSize(pieceSize),
        m_written((size + pieceSize - 1) / pieceSize, false),
        m_streamsRunning(streams) {}

  std::uint64_t Size() const { return m_size; }

  // The offset of the next piece nobody has taken; nothing once all are taken or the
  // copy failed.
  std::optional<std::uint64_t> Take() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_failed || m_next >= m_size) {
      return std::nullopt;
    }
    const std::uint64_t offset = m_next;
    m_next += m_pieceSize;
    return offset;
  }
  bool AllTaken() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_failed || m_next >= m_size;
  }
  void Written(std::uint64_t offset) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_written[offset / m_pieceSize] = true;
    while (m_gapFree < m_written.size() && m_written[m_gapFree]) {
      ++m_gapFree;
    }
    m_changed.notify_all();
  }
  // The first failure's reason is the one kept.
  void Fail(const std::string& reason) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_failed) {
      m_reason = reason;
    }
    m_failed = true;
    m_changed.notify_all();
  }
  void StreamEnded() {
    std::lock_guard<std::mutex> lock(m_lock);
    --m_streamsRunning;
    m_changed.notify_all();
  }

  // Waits until more than `reported` bytes from the start are written without a gap,
  // until every stream has ended, or for `patience` at most; answers the bytes written
  // without a gap.
  std::uint64_t WaitBeyond(std::uint64_t reported, std::chrono::milliseconds patience) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, patience,
                       [&] { return GapFreeBytes() > reported || m_streamsRunning == 0; });
    return GapFreeBytes();
  }
  bool StreamsRunning() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_streamsRunning > 0;
  }
  bool Failed() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_failed;
  }
  std::string Reason() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_reason;
  }

 private:
  std::uint64_t GapFreeBytes() const {
    return std::min<std::uint64_t>(m_gapFree * m_pieceSize, m_size);
  }

  const std::uint64_t m_size;
  const std::size_t m_pieceSize;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::uint64_t m_next = 0;
  std::vector<bool> m_written;
  std::size_t m_gapFree = 0;  // pieces
  int m_streamsRunning;
  bool m_failed = false;
  std::string m_reason;
};

// The whole range, or false: a read that fails, or the end of the file before the
// size the source had at opening.
bool ReadFully(CopyReader& reader, std::uint64_t offset, char* buffer, std::size_t size) {
  while (size > 0) {
    const long got = reader.ReadAt(offset, buffer, size);
    if (got <= 0) {
      return false;
    }
    offset += static_cast<std::uint64_t>(got);
    buffer += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

void RunStream(PieceBoard& board, CopyReader& reader, CopyWriter& writer, std::size_t pieceSize) {
  const std::unique_ptr<char[]> buffer(new char[pieceSize]);
  while (const std::optional<std::uint64_t> offset = board.Take()) {
    const std::size_t size =
        static_cast<std::size_t>(std::min<std::uint64_t>(pieceSize, board.Size() - *offset));
    errno = 0;
    if (!ReadFully(reader, *offset, buffer.get(), size)) {
      // A read that ends early without an error is a file that got shorter.
      board.Fail(errno != 0 ? ErrorText(errno) : kSourceChangedReason);
      return;
    }
    if (!writer.WriteAt(*offset, buffer.get(), size)) {
      board.Fail(ErrorText(errno != 0 ? errno : EIO));
      return;
    }
    board.Written(*offset);
  }
}

// The stream threads of one copy. However the copy ends (an exception from the
// progress callback included), every thread has stopped, and with it every reader and
// writer it opened, before this is gone.
class Streams {
 public:
  explicit Streams(PieceBoard& board) : m_board(board) {}
  ~Streams() {
    for (std::thread& thread : m_threads) {
      if (thread.joinable()) {
        m_board.Fail("the copy was broken off");
        break;
      }
    }
    JoinAll();
  }
  // False when no thread could be started for it.
  template <typename Run>
  bool Start(Run run) {
    try {
      m_threads.emplace_back([this, run] {
        try {
          run();
        } catch (const std::exception& error) {
          m_board.Fail(error.what());  // bad_alloc, or a system error while opening its ends
        }
        m_board.StreamEnded();
      });
      return true;
    } catch (const std::system_error&) {
      m_board.StreamEnded();
      return false;
    }
  }
  void JoinAll() {
    for (std::thread& thread : m_threads) {
      if (thread.joinable()) {
        thread.join();
      }
    }
  }

 private:
  PieceBoard& m_board;
  std::vector<std::thread> m_threads;
};

}  // namespace

std::string ErrorText(int error) {
  return std::system_category().message(error);
}

CopyOutcome CopyFailed(std::string reason) {
  return {CopyOutcome::Status::kFailed, std::move(reason), {}};
}

CopyOutcome CopyInPieces(CopySource& source, CopyDestination& destination, const CopyPlan& plan,
                         CopyObserver& observer) {
  const std::uint64_t size = source.Size();
  observer.Progress(size, 0);

  const std::size_t pieceSize = std::max<std::size_t>(plan.pieceSize, 1);
  const std::uint64_t pieces = (size + pieceSize - 1) / pieceSize;
  const int streams =
      static_cast<int>(std::clamp<std::uint64_t>(pieces, 1, std::max(plan.streams, 1)));
  PieceBoard board(size, pieceSize, streams);
  std::uint64_t copied = 0;
  bool stopped = false;
  {
    Streams threads(board);
    if (!threads.Start([&] { RunStream(board, source, destination, pieceSize); })) {
      return CopyFailed(ErrorText(EAGAIN));
    }
    // The other streams open their own reader and writer first, which over a network
    // takes a few round trips: the first stream copies meanwhile, and a stream that
    // finds nothing left to take or cannot open its ends simply stops.
    for (int stream = 1; stream < streams; ++stream) {
      // Without a thread for it, the copy goes on with the streams it has.
      threads.Start([&] {
        std::unique_ptr<CopyReader> reader = board.AllTaken() ? nullptr : source.OpenReader();
        std::unique_ptr<CopyWriter> writer =
            !reader || board.AllTaken() ? nullptr : destination.OpenWriter();
        if (reader && writer) {
          RunStream(board, *reader, *writer, pieceSize);
        }
      });
    }
    // A stop is looked for a few times a second, also while no piece arrives.
    for (;;) {
      const std::uint64_t written = board.WaitBeyond(copied, std::chrono::milliseconds(200));
      if (written != copied) {
        copied = written;
        observer.Progress(size, copied);
      } else if (!board.StreamsRunning()) {
        break;
      }
      if (!stopped && observer.StopRequested()) {
        stopped = true;
        board.Fail("stopped");
      }
    }
    threads.JoinAll();
  }
  if (stopped) {
    return {CopyOutcome::Status::kStopped, {}, {}};
  }
  if (board.Failed()) {
    return CopyFailed(board.Reason());
  }
  if (copied != size || source.CurrentSize() != size) {
    return CopyFailed(kSourceChangedReason);
  }
  errno = 0;
  if (!destination.Commit(size)) {
    return CopyFailed(ErrorText(errno != 0 ? errno : EIO));
  }
  return {CopyOutcome::Status::kCopied, {}, {}};
}

}  // namespace harrowlander::posix
