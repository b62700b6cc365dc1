#include "platform/posix/piece_board.h"

#include <algorithm>

namespace harrowlander::posix {

PieceBoard::PieceBoard(std::uint64_t size, std::size_t pieceSize, int streams, InOrder inOrder)
    : m_size(size),
      m_pieceSize(pieceSize),
      m_window(2 * static_cast<std::size_t>(std::max(streams, 1))),
      m_inOrder(std::move(inOrder)),
      m_written((size + pieceSize - 1) / pieceSize, false),
      m_streamsRunning(streams) {}

std::optional<std::uint64_t> PieceBoard::Take() {
  std::unique_lock<std::mutex> lock(m_lock);
  // The piece that holds the others back is never beyond the window: it is on its way
  // on a stream, handed back for the next Take, or written and about to be passed on.
  for (;;) {
    if (m_failed) {
      return std::nullopt;
    }
    if (!m_handedBack.empty()) {
      const std::uint64_t offset = m_handedBack.back();
      m_handedBack.pop_back();
      return offset;
    }
    if (m_next >= m_size) {
      return std::nullopt;
    }
    if (m_next / m_pieceSize < m_passedOn + m_window) {
      const std::uint64_t offset = m_next;
      m_next += m_pieceSize;
      return offset;
    }
    m_changed.wait(lock);
  }
}

void PieceBoard::HandBack(std::uint64_t offset) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_handedBack.push_back(offset);
  m_changed.notify_all();
}

bool PieceBoard::AllTaken() {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_failed || (m_next >= m_size && m_handedBack.empty());
}

PieceBoard::Buffer PieceBoard::SpareBuffer() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_spare.empty()) {
      Buffer buffer = std::move(m_spare.back());
      m_spare.pop_back();
      return buffer;
    }
  }
  return Buffer(new char[m_pieceSize]);
}

void PieceBoard::GiveBack(Buffer buffer) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_spare.push_back(std::move(buffer));
}

void PieceBoard::Written(std::uint64_t offset, Buffer buffer) {
  std::lock_guard<std::mutex> lock(m_lock);
  const std::size_t piece = static_cast<std::size_t>(offset / m_pieceSize);
  if (m_written[piece]) {
    m_spare.push_back(std::move(buffer));  // its bytes are passed on already, or held back
    return;
  }
  m_written[piece] = true;
  m_heldBack.emplace(piece, std::move(buffer));
  while (m_gapFree < m_written.size() && m_written[m_gapFree]) {
    ++m_gapFree;
  }
  m_writtenSinceSpell = true;
  m_lastAdvance = Clock::now();
  m_changed.notify_all();
}

// A piece at a time, so that the window moves on with each.
void PieceBoard::PassOnInOrder() {
  std::unique_lock<std::mutex> lock(m_lock);
  for (;;) {
    m_changed.wait(lock,
                   [&] { return m_failed || m_passedOn < m_gapFree || m_streamsRunning == 0; });
    if (m_failed || m_passedOn == m_gapFree) {
      return;
    }
    const auto next = m_heldBack.find(m_passedOn);
    const std::size_t bytes = PieceBytes(m_passedOn);
    Buffer buffer = std::move(next->second);
    m_heldBack.erase(next);
    lock.unlock();
    m_inOrder(buffer.get(), bytes);
    lock.lock();
    ++m_passedOn;
    m_spare.push_back(std::move(buffer));
    m_changed.notify_all();
  }
}

void PieceBoard::Fail(const std::string& reason) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_failed) {
    m_reason = reason;
  }
  m_failed = true;
  m_changed.notify_all();
}

void PieceBoard::StreamEnded() {
  std::lock_guard<std::mutex> lock(m_lock);
  --m_streamsRunning;
  m_changed.notify_all();
}

void PieceBoard::ReconnectBegins(const std::string& reason) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_reconnecting++ == 0) {
    ++m_spells;
    m_networkFailure = reason;
    // Connections that come back without a piece getting through do not renew the
    // window.
    if (m_writtenSinceSpell || m_spells == 1) {
      m_lastAdvance = Clock::now();
    }
    m_writtenSinceSpell = false;
    m_changed.notify_all();
  }
}

void PieceBoard::ReconnectEnds() {
  std::lock_guard<std::mutex> lock(m_lock);
  --m_reconnecting;
}

void PieceBoard::NoteNetworkFailure(const std::string& reason) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_networkFailure = reason;
}

bool PieceBoard::Pause(Clock::duration pause) {
  std::unique_lock<std::mutex> lock(m_lock);
  return !m_changed.wait_for(lock, pause, [&] { return Finished(); });
}

int PieceBoard::Spells() {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_spells;
}

bool PieceBoard::ReconnectingFor(Clock::duration window) {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_reconnecting > 0 && Clock::now() - m_lastAdvance > window;
}

bool PieceBoard::Reconnecting() {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_reconnecting > 0;
}

std::string PieceBoard::NetworkFailure() {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_networkFailure;
}

std::uint64_t PieceBoard::WaitBeyond(std::uint64_t reported, int spellsSeen,
                                     std::chrono::milliseconds patience) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_changed.wait_for(lock, patience, [&] {
    return GapFreeBytes() > reported || m_streamsRunning == 0 || m_spells != spellsSeen;
  });
  return GapFreeBytes();
}

bool PieceBoard::StreamsRunning() {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_streamsRunning > 0;
}

bool PieceBoard::Failed() {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_failed;
}

std::string PieceBoard::Reason() {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_reason;
}

}  // namespace harrowlander::posix
