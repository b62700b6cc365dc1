#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ports/file_system.h"

namespace harrowlander::posix {

// "\\server\share\...": a file on another machine, reached over the network.
inline bool IsUncPath(std::string_view path) {
  return path.starts_with("\\\\");
}

// The reading end of a copy.
class CopySource {
 public:
  virtual ~CopySource() = default;
  virtual std::uint64_t Size() const = 0;
  // Bytes read into the buffer; 0 at the end; negative on failure.
  virtual long Read(char* buffer, std::size_t size) = 0;
};

// The writing end of a copy: a new file beside the destination that takes the
// destination's name only on Commit. Destroyed without Commit, it is removed and the
// destination stays as it was.
class CopyDestination {
 public:
  virtual ~CopyDestination() = default;
  virtual bool Write(const char* data, std::size_t size) = 0;
  virtual bool Commit() = 0;
};

// Moves everything from the source to the destination in pieces of chunkSize bytes,
// reporting progress before the first piece and after each one, then commits.
bool CopyInPieces(CopySource& source, CopyDestination& destination, std::size_t chunkSize,
                  const CopyProgressCallback& progress);

}  // namespace harrowlander::posix
