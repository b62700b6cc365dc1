#include "platform/posix/copy_endpoints.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace harrowlander::posix {
namespace {

// Enough pieces in flight to keep both ends busy; more only take memory.
constexpr std::size_t kPiecesInFlight = 4;

struct Piece {
  std::unique_ptr<char[]> data;
  long size = 0;  // as Read answered: 0 at the end, negative on failure
};

// Pieces handed from the reading thread to the writing one and back again.
class PieceQueue {
 public:
  PieceQueue(std::size_t count, std::size_t chunkSize) : m_pieces(count) {
    for (Piece& piece : m_pieces) {
      piece.data.reset(new char[chunkSize]);
      m_empty.push_back(&piece);
    }
  }

  // Nothing once the writer has stopped.
  Piece* TakeEmpty() { return Take(m_empty); }
  Piece* TakeFilled() { return Take(m_filled); }
  void GiveFilled(Piece* piece) { Give(m_filled, piece); }
  void GiveEmpty(Piece* piece) { Give(m_empty, piece); }
  void Stop() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stopped = true;
    m_changed.notify_all();
  }

 private:
  Piece* Take(std::deque<Piece*>& from) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [&] { return m_stopped || !from.empty(); });
    if (m_stopped) {
      return nullptr;
    }
    Piece* piece = from.front();
    from.pop_front();
    return piece;
  }
  void Give(std::deque<Piece*>& to, Piece* piece) {
    std::lock_guard<std::mutex> lock(m_lock);
    to.push_back(piece);
    m_changed.notify_all();
  }

  std::vector<Piece> m_pieces;
  std::deque<Piece*> m_empty;
  std::deque<Piece*> m_filled;
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_stopped = false;
};

}  // namespace

// The source is read on a second thread while this one writes the piece before: over
// the network, the next read is under way while the last piece goes to disk. Progress
// is reported on the calling thread.
bool CopyInPieces(CopySource& source, CopyDestination& destination, std::size_t chunkSize,
                  const CopyProgressCallback& progress) {
  const std::uint64_t total = source.Size();
  std::uint64_t copied = 0;
  progress(total, copied);

  PieceQueue queue(kPiecesInFlight, chunkSize);
  std::thread reader([&] {
    for (Piece* piece = queue.TakeEmpty(); piece != nullptr; piece = queue.TakeEmpty()) {
      piece->size = source.Read(piece->data.get(), chunkSize);
      const bool last = piece->size <= 0;
      queue.GiveFilled(piece);
      if (last) {
        return;
      }
    }
  });

  bool ok = false;
  for (;;) {
    Piece* piece = queue.TakeFilled();
    if (piece->size <= 0) {
      ok = piece->size == 0;
      break;
    }
    if (!destination.Write(piece->data.get(), static_cast<std::size_t>(piece->size))) {
      break;
    }
    copied += static_cast<std::uint64_t>(piece->size);
    queue.GiveEmpty(piece);
    progress(total, copied);
  }
  queue.Stop();
  reader.join();
  return ok && destination.Commit();
}

}  // namespace harrowlander::posix
