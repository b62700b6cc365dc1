#include "platform/posix/piece_board.h"

#include <algorithm>

namespace harrowlander::posix {

PieceBoard::PieceBoard(std::uint64_t size, std::size_t pieceSize, int streams)
    : m_size(size),
      m_pieceSize(pieceSize),
      m_written((size + pieceSize - 1) / pieceSize, false),
      m_streamsRunning(streams) {}

std::optional<std::uint64_t> PieceBoard::Take() {
  std::lock_guard<std::mutex> lock(m_lock);
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
  const std::uint64_t offset = m_next;
  m_next += m_pieceSize;
  return offset;
}

void PieceBoard::HandBack(std::uint64_t offset) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_handedBack.push_back(offset);
}

bool PieceBoard::AllTaken() {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_failed || (m_next >= m_size && m_handedBack.empty());
}

void PieceBoard::Written(std::uint64_t offset) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_written[offset / m_pieceSize] = true;
  while (m_gapFree < m_written.size() && m_written[m_gapFree]) {
    ++m_gapFree;
  }
  m_writtenSinceSpell = true;
  m_lastAdvance = Clock::now();
  m_changed.notify_all();
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
