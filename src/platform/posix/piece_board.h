#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace harrowlander::posix {

// What the streams of one copy share: the pieces left to take, which pieces have been
// written, whether the copy failed, and which streams are connecting again. The calling
// thread waits on it to report progress.
//
// The written pieces are also passed on in file order, each once, whatever order they
// were written in and however often one was attempted: a piece written ahead of a gap
// is held back in its stream's buffer until the gap is written. So that this takes
// bounded memory, no piece is handed out more than 2 * streams pieces beyond the first
// one not passed on yet; the buffers of the pieces on their way and of those held back
// are all there is.
class PieceBoard {
 public:
  using Clock = std::chrono::steady_clock;
  using Buffer = std::unique_ptr<char[]>;
  // Takes the copy's bytes in file order, outside the board's lock.
  using InOrder = std::function<void(const char* data, std::size_t size)>;

  PieceBoard(std::uint64_t size, std::size_t pieceSize, int streams, InOrder inOrder);

  std::uint64_t Size() const { return m_size; }

  // The offset of the next piece to copy, a handed-back one first; waits while the
  // next one lies beyond the window. Nothing once all are taken or the copy failed.
  std::optional<std::uint64_t> Take();
  // A piece its stream could not finish, for any stream to take again.
  void HandBack(std::uint64_t offset);
  bool AllTaken();
  // A buffer of pieceSize bytes: one given back, or a new one.
  Buffer SpareBuffer();
  void GiveBack(Buffer buffer);
  // The piece at the offset has been written from the buffer, which the board keeps
  // until the piece is passed on.
  void Written(std::uint64_t offset, Buffer buffer);
  // On a thread of its own, so that the streams never wait for it: passes the written
  // pieces on in order as they come, until every piece is passed on, the copy failed,
  // or the streams have ended.
  void PassOnInOrder();
  // The first failure's reason is the one kept.
  void Fail(const std::string& reason);
  void StreamEnded();

  // A stream begins or ends connecting again, after a failure for that reason; the
  // first of several at once begins a spell of it, which lasts until none is left.
  void ReconnectBegins(const std::string& reason);
  void ReconnectEnds();
  // Why the connection is away, in the system's words: the failure that began the
  // spell, or a later attempt's.
  void NoteNetworkFailure(const std::string& reason);
  // Waits for the pause, or less once the copy failed or every piece is written; false
  // then.
  bool Pause(Clock::duration pause);
  // How many spells of connecting again have begun.
  int Spells();
  // Whether streams are connecting again, and have been for longer than the window since
  // the spell began or a piece was last written, whichever came later.
  bool ReconnectingFor(Clock::duration window);
  bool Reconnecting();
  std::string NetworkFailure();

  // Waits until more than `reported` bytes from the start are written without a gap,
  // until every stream has ended, until a spell other than `spellsSeen` begins, or for
  // `patience` at most; answers the bytes written without a gap.
  std::uint64_t WaitBeyond(std::uint64_t reported, int spellsSeen,
                           std::chrono::milliseconds patience);
  bool StreamsRunning();
  bool Failed();
  std::string Reason();

 private:
  std::uint64_t GapFreeBytes() const {
    return std::min<std::uint64_t>(m_gapFree * m_pieceSize, m_size);
  }
  bool Finished() const { return m_failed || m_gapFree == m_written.size(); }
  std::size_t PieceBytes(std::size_t piece) const {
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(m_pieceSize, m_size - std::uint64_t(piece) * m_pieceSize));
  }

  const std::uint64_t m_size;
  const std::size_t m_pieceSize;
  const std::size_t m_window;
  const InOrder m_inOrder;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::uint64_t m_next = 0;
  std::vector<std::uint64_t> m_handedBack;
  std::vector<bool> m_written;
  std::size_t m_gapFree = 0;                 // pieces
  std::size_t m_passedOn = 0;                // pieces
  std::map<std::size_t, Buffer> m_heldBack;  // by piece
  std::vector<Buffer> m_spare;
  int m_streamsRunning;
  bool m_failed = false;
  std::string m_reason;
  int m_reconnecting = 0;
  int m_spells = 0;
  Clock::time_point m_lastAdvance;  // a spell's start, or a piece written during it
  bool m_writtenSinceSpell = false;
  std::string m_networkFailure;
};

}  // namespace harrowlander::posix
