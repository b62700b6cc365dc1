#pragma once

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

// Reads pieces of the source file for one stream of a copy; used by one thread at a time.
class CopyReader {
 public:
  virtual ~CopyReader() = default;
  // Up to size bytes from the offset on; 0 at the end of the file; negative on failure.
  virtual long ReadAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
};

// The reading end of a copy.
class CopySource : public CopyReader {
 public:
  // The size when the file was opened: exactly what the copy has to deliver.
  virtual std::uint64_t Size() const = 0;
  // The size now; nothing when it cannot be learnt.
  virtual std::optional<std::uint64_t> CurrentSize() = 0;
  // Another reader of the same file for a stream of its own, used on another thread
  // while this one reads too; nothing when none can be opened.
  virtual std::unique_ptr<CopyReader> OpenReader() = 0;
};

// Writes pieces into the new file for one stream of a copy; used by one thread at a
// time.
class CopyWriter {
 public:
  virtual ~CopyWriter() = default;
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
  // bytes, the destination, with its content on disk where the system allows it.
  virtual bool Commit(std::uint64_t size) = 0;
};

// How a copy is cut up: pieces of pieceSize bytes, read and written by up to streams
// threads at once, each with a reader and a writer of its own. Each stream holds one
// piece, so streams * pieceSize bytes are in memory at most.
struct CopyPlan {
  std::size_t pieceSize = 1u << 20;
  int streams = 1;
};

// Copies the source's size at opening into the destination and commits it. Progress
// is reported on the calling thread, before the first piece and whenever the bytes
// copied from the start without a gap grow; a stop asked for there ends the copy
// after the pieces on their way. Fails, leaving the destination as it was, when any
// stream fails or the source turns out shorter or longer than it was.
CopyOutcome CopyInPieces(CopySource& source, CopyDestination& destination, const CopyPlan& plan,
                         CopyObserver& observer);

// The system's description of the error number.
std::string ErrorText(int error);
// The reasons of the failures that carry no error number of the system.
inline constexpr const char* kSourceChangedReason =
    "the source file changed its size while it was copied";
CopyOutcome CopyFailed(std::string reason);

}  // namespace harrowlander::posix
