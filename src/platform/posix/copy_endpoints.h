#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ports/file_system.h"

namespace harrowlander::posix {

// "\\server\share\...": a file on another machine, reached over the network.
inline bool IsUncPath(std::string_view path) {
  return path.starts_with("\\\\");
}

// Whether the error number is the network's: the connection to the other machine broke,
// timed out or cannot be made now. Such a failure of an end over the network is met by
// connecting that end again; any other failure ends the copy.
bool IsNetworkFailure(int error);

// What every end of a copy has: an end over the network may lose its connection and get
// a new one.
class CopyEnd {
 public:
  virtual ~CopyEnd() = default;
  // Whether the end reaches its file over the network.
  virtual bool OverNetwork() const { return false; }
  // After a failure of the network with that error number: gives up the end's
  // connection and opens its file again over a new one, as it was opened; false, with
  // errno set, when that failed. An end on the workstation has no connection to renew.
  virtual bool Reconnect(int /*error*/) { return false; }
};

// Reads pieces of the source file for one stream of a copy; used by one thread at a time.
class CopyReader : public CopyEnd {
 public:
  // Up to size bytes from the offset on; 0 at the end of the file; negative, with errno
  // set, on failure.
  virtual long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
};

// The reading end of a copy.
class CopySource : public CopyReader {
 public:
  // The size when the file was opened: exactly what the copy has to deliver.
  virtual std::uint64_t Size() const = 0;
  // The size now; nothing, with errno set, when it cannot be learnt.
  virtual std::optional<std::uint64_t> CurrentSize() = 0;
  // Another reader of the same file for a stream of its own, used on another thread
  // while this one reads too; nothing when none can be opened.
  virtual std::unique_ptr<CopyReader> OpenReader() = 0;
  // Ends at once whatever this source and its readers wait for from the network, which
  // leaves their connections unusable. Called on another thread while they run.
  virtual void BreakOff() {}
};

// Writes pieces into the new file for one stream of a copy; used by one thread at a
// time.
class CopyWriter : public CopyEnd {
 public:
  // False, with errno set, on failure.
  virtual bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) = 0;
};

// The writing end of a copy: a new file beside the destination that takes the
// destination's name only on Commit. Destroyed without Commit, it is removed and the
// destination stays as it was.
class CopyDestination : public CopyWriter {
 public:
  // Another writer into the same new file for a stream of its own, used on another
  // thread while this one writes too; nothing when none can be opened.
  virtual std::unique_ptr<CopyWriter> OpenWriter() = 0;
  // Once every other writer is gone: makes the new file, which must hold exactly size
  // bytes, the destination, with its content on disk where the system allows it. False,
  // with errno set, on failure; it may be called again after a Reconnect.
  virtual bool Commit(std::uint64_t size) = 0;
  // As BreakOff of a source.
  virtual void BreakOff() {}
  // Once every other writer is gone, instead of Commit: removes the new file. Answers
  // the path of the file it had to leave behind, as the caller named the destination
  // (its connection is gone), or "" when nothing is left.
  virtual std::string Discard() { return {}; }
};

// The reason of a copy whose SHA-256 could not be taken.
inline constexpr const char* kNoDigestReason = "the SHA-256 of the copy could not be computed";

// How a copy is cut up: pieces of pieceSize bytes, read and written by up to streams
// threads at once, each with a reader and a writer of its own. The pieces on their way
// and those written ahead of one still on its way (kept for the copy's digest) take
// 2 * streams * pieceSize bytes of memory at most. A stream whose end over the network
// fails for the network's sake hands its piece back and connects again; the copy fails
// once streams have been connecting again for reconnectWindow without a piece written.
struct CopyPlan {
  std::size_t pieceSize = 1u << 20;
  int streams = 1;
  std::chrono::milliseconds reconnectWindow{0};
};

// Copies the source's size at opening into the destination and commits it. Progress
// is reported on the calling thread, before the first piece and whenever the bytes
// copied from the start without a gap grow; so is the start of each spell of connecting
// again, and a stop asked for there ends the copy after the pieces on their way (at once
// while streams connect again). Fails, leaving the destination as it was, when a stream
// fails for any other reason than the network, when the network stays away for the
// window, or when the source turns out shorter or longer than it was; the outcome names
// the new file when it could not be removed. A copy's SHA-256 is taken from the buffers
// it wrote, in file order, each piece once however often it was attempted.
CopyOutcome CopyInPieces(CopySource& source, CopyDestination& destination, const CopyPlan& plan,
                         CopyObserver& observer);

// The system's description of the error number.
std::string ErrorText(int error);
CopyOutcome CopyFailed(std::string reason);

}  // namespace harrowlander::posix
