#include "platform/posix/copy_endpoints.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/posix/piece_board.h"
#include "platform/posix/sha256.h"

namespace harrowlander::posix {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often the calling thread looks for a stop and for the window's end.
constexpr milliseconds kLookAround{200};
// A copy that failed or was stopped while a stream still waits on the network for this
// long is broken off: a server that stopped answering holds a request for as long as the
// library's timeout.
constexpr milliseconds kPatienceAfterFailure{5000};
constexpr milliseconds kBreakOffAgain{1000};

// Not at all before the first attempt, then longer each time, up to two seconds: a
// server that comes back is found again soon.
milliseconds PauseBeforeAttempt(int attempt) {
  return attempt == 0 ? milliseconds(0) : milliseconds(250 << std::min(attempt - 1, 3));
}

// A log-on refused while connecting again will be refused again; trying on could lock
// the account.
bool IsRefusedLogOn(int error) {
  return error == EACCES || error == EPERM;
}

// The whole range, or false: a read that fails (errno set), or the end of the file
// before the size the source had at opening (errno 0).
bool ReadFully(CopyReader& reader, std::uint64_t offset, char* buffer, std::size_t size) {
  while (size > 0) {
    const long got = reader.ReadAt(offset, buffer, size);
    if (got <= 0) {
      errno = got == 0 ? 0 : (errno != 0 ? errno : EIO);
      return false;
    }
    offset += static_cast<std::uint64_t>(got);
    buffer += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

// The stream's end failed for the network's sake: it connects again, pausing between
// attempts. False when the stream is to end: the copy failed or was stopped meanwhile,
// every piece is written, or the log-on was refused.
bool ConnectAgain(PieceBoard& board, CopyEnd& end, int error) {
  board.ReconnectBegins(ErrorText(error));
  bool connected = false;
  for (int attempt = 0; !connected; ++attempt) {
    if (!board.Pause(PauseBeforeAttempt(attempt))) {
      break;
    }
    errno = 0;
    connected = end.Reconnect(error);
    if (!connected) {
      error = errno != 0 ? errno : error;
      if (IsRefusedLogOn(error)) {
        board.Fail(ErrorText(error));
        break;
      }
      // An attempt aborted is one that a stream, or the end of the copy, broke off:
      // it says nothing of the server.
      if (error != ECONNABORTED) {
        board.NoteNetworkFailure(ErrorText(error));
      }
    }
  }
  board.ReconnectEnds();
  return connected;
}

// What to do after an end failed with the error: connect again, or fail the copy.
bool Recover(PieceBoard& board, CopyEnd& end, int error, std::uint64_t piece) {
  if (end.OverNetwork() && IsNetworkFailure(error)) {
    board.HandBack(piece);
    return ConnectAgain(board, end, error);
  }
  board.Fail(ErrorText(error));
  return false;
}

// A stream holds a buffer only while its piece is on the way: the written piece keeps
// it on the board until it is passed on, and a failed one gives it back.
void RunStream(PieceBoard& board, CopyReader& reader, CopyWriter& writer, std::size_t pieceSize) {
  while (const std::optional<std::uint64_t> offset = board.Take()) {
    const std::size_t size =
        static_cast<std::size_t>(std::min<std::uint64_t>(pieceSize, board.Size() - *offset));
    PieceBoard::Buffer buffer = board.SpareBuffer();
    if (!ReadFully(reader, *offset, buffer.get(), size)) {
      const int error = errno;
      board.GiveBack(std::move(buffer));
      if (error == 0) {
        // A read that ends early without an error is a file that got shorter.
        board.Fail(kSourceChangedReason);
        return;
      }
      if (!Recover(board, reader, error, *offset)) {
        return;
      }
      continue;
    }
    errno = 0;
    if (!writer.WriteAt(*offset, buffer.get(), size)) {
      const int error = errno != 0 ? errno : EIO;
      board.GiveBack(std::move(buffer));
      if (!Recover(board, writer, error, *offset)) {
        return;
      }
      continue;
    }
    board.Written(*offset, std::move(buffer));
  }
}

// The threads of one copy: its streams and the one that passes their pieces on in
// order. However the copy ends (an exception from the progress callback included),
// every thread has stopped, and with it every reader and writer it opened, before this
// is gone.
class Streams {
 public:
  explicit Streams(PieceBoard& board) : m_board(board) {}
  ~Streams() {
    if (m_passer.joinable() ||
        std::any_of(m_threads.begin(), m_threads.end(),
                    [](const std::thread& thread) { return thread.joinable(); })) {
      m_board.Fail("the copy was broken off");
      if (m_breakOff) {
        m_breakOff();
      }
    }
    JoinAll();
  }
  // False when no thread could be started for it.
  bool StartPassingOn() {
    try {
      m_passer = std::thread([this] { m_board.PassOnInOrder(); });
      return true;
    } catch (const std::system_error&) {
      return false;
    }
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
  // What ends the streams' waiting on the network when the copy ends early.
  void OnBreakOff(std::function<void()> breakOff) { m_breakOff = std::move(breakOff); }
  void JoinAll() {
    for (std::thread& thread : m_threads) {
      if (thread.joinable()) {
        thread.join();
      }
    }
    if (m_passer.joinable()) {
      m_passer.join();
    }
  }

 private:
  PieceBoard& m_board;
  std::vector<std::thread> m_threads;
  std::thread m_passer;
  std::function<void()> m_breakOff;
};

// How a step of the calling thread (the source's size, the commit) ended.
enum class StepEnd { kDone, kFailed, kStopped };

// Runs a step of an end on the calling thread. A failure of the network is met by
// connecting the end again and running the step again, for the window at most, while
// the observer hears of it and is asked for a stop a few times a second. On kFailed,
// error holds the error number of the last failure.
template <typename Step>
StepEnd RunStep(CopyEnd& end, milliseconds window, CopyObserver& observer, int& error, Step step) {
  errno = 0;
  if (step()) {
    return StepEnd::kDone;
  }
  error = errno;
  if (!end.OverNetwork() || !IsNetworkFailure(error)) {
    return StepEnd::kFailed;
  }
  observer.Reconnecting();
  const Clock::time_point deadline = Clock::now() + window;
  for (int attempt = 0;; ++attempt) {
    const Clock::time_point pauseEnd = Clock::now() + PauseBeforeAttempt(attempt);
    do {
      if (observer.StopRequested()) {
        return StepEnd::kStopped;
      }
      std::this_thread::sleep_for(
          std::min<Clock::duration>(kLookAround / 2, pauseEnd - Clock::now()));
    } while (Clock::now() < pauseEnd);
    if (Clock::now() > deadline) {
      return StepEnd::kFailed;
    }
    errno = 0;
    if (!end.Reconnect(error)) {
      error = errno != 0 ? errno : error;
      if (IsRefusedLogOn(error)) {
        return StepEnd::kFailed;
      }
      continue;
    }
    errno = 0;
    if (step()) {
      return StepEnd::kDone;
    }
    error = errno;
    if (!IsNetworkFailure(error)) {
      return StepEnd::kFailed;
    }
  }
}

CopyOutcome Ended(CopyOutcome::Status status, std::string reason, CopyDestination& destination) {
  return {status, std::move(reason), destination.Discard()};
}

}  // namespace

bool IsNetworkFailure(int error) {
  switch (error) {
    case ECONNRESET:    // the peer reset the connection
    case ENETRESET:     // libsmbclient: the connection was reset
    case ECONNABORTED:  // libsmbclient: the connection is gone
    case EPIPE:
    case ETIMEDOUT:  // also a server that stopped answering within the library's timeout
    case ENOTCONN:
    case ESHUTDOWN:
    case ECONNREFUSED:  // the server is not (yet) listening again
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ECOMM:
      return true;
    default:
      return false;
  }
}

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
  // Fed on a thread of its own, while the streams go on copying.
  Sha256 hash;
  PieceBoard board(size, pieceSize, streams,
                   [&hash](const char* data, std::size_t bytes) { hash.Add(data, bytes); });
  std::uint64_t copied = 0;
  bool stopped = false;
  // Breaking off again now and then catches a connection a stream made meanwhile.
  std::optional<Clock::time_point> brokenOffAt;
  const auto breakOff = [&] {
    if (!brokenOffAt || Clock::now() - *brokenOffAt > kBreakOffAgain) {
      brokenOffAt = Clock::now();
      source.BreakOff();
      destination.BreakOff();
    }
  };
  {
    Streams threads(board);
    threads.OnBreakOff(breakOff);
    if (!threads.StartPassingOn() ||
        !threads.Start([&] { RunStream(board, source, destination, pieceSize); })) {
      return Ended(CopyOutcome::Status::kFailed, ErrorText(EAGAIN), destination);
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
    // A stop and the window's end are looked for a few times a second, also while no
    // piece arrives.
    int spellsSeen = 0;
    std::optional<Clock::time_point> failedAt;
    for (;;) {
      const std::uint64_t written = board.WaitBeyond(copied, spellsSeen, kLookAround);
      if (written != copied) {
        copied = written;
        observer.Progress(size, copied);
      } else if (!board.StreamsRunning()) {
        break;
      }
      if (const int spells = board.Spells(); spells != spellsSeen) {
        spellsSeen = spells;
        observer.Reconnecting();
      }
      if (!board.Failed()) {
        if (observer.StopRequested()) {
          stopped = true;
          board.Fail("stopped");
        } else if (board.ReconnectingFor(plan.reconnectWindow)) {
          board.Fail(board.NetworkFailure());
        }
      }
      if (board.Failed()) {
        failedAt = failedAt.value_or(Clock::now());
        // Streams still connecting again, or still waiting on the network long after the
        // end, would hold the copy for as long as the network lets them.
        if (board.Reconnecting() || Clock::now() - *failedAt > kPatienceAfterFailure) {
          breakOff();
        }
      }
    }
    threads.JoinAll();
  }
  if (stopped) {
    return Ended(CopyOutcome::Status::kStopped, {}, destination);
  }
  if (board.Failed()) {
    return Ended(CopyOutcome::Status::kFailed, board.Reason(), destination);
  }

  int error = 0;
  std::optional<std::uint64_t> now;
  switch (RunStep(source, plan.reconnectWindow, observer, error, [&] {
    now = source.CurrentSize();
    return now.has_value();
  })) {
    case StepEnd::kDone:
      break;
    case StepEnd::kStopped:
      return Ended(CopyOutcome::Status::kStopped, {}, destination);
    case StepEnd::kFailed:
      return Ended(CopyOutcome::Status::kFailed,
                   error != 0 ? ErrorText(error) : kSourceChangedReason, destination);
  }
  if (copied != size || now != size) {
    return Ended(CopyOutcome::Status::kFailed, kSourceChangedReason, destination);
  }
  // Every piece has been passed on by now: the thread that did it has ended.
  std::string sha256 = hash.HexDigest();
  if (sha256.empty()) {
    return Ended(CopyOutcome::Status::kFailed, kNoDigestReason, destination);
  }
  switch (RunStep(destination, plan.reconnectWindow, observer, error,
                  [&] { return destination.Commit(size); })) {
    case StepEnd::kDone:
      return {CopyOutcome::Status::kCopied, {}, {}, std::move(sha256)};
    case StepEnd::kStopped:
      return Ended(CopyOutcome::Status::kStopped, {}, destination);
    case StepEnd::kFailed:
      break;
  }
  return Ended(CopyOutcome::Status::kFailed, ErrorText(error != 0 ? error : EIO), destination);
}

}  // namespace harrowlander::posix
