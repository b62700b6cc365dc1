#include "platform/posix/copy_endpoints.h"

#include <memory>

namespace harrowlander::posix {

bool CopyInPieces(CopySource& source, CopyDestination& destination, std::size_t chunkSize,
                  const CopyProgressCallback& progress) {
  const std::uint64_t total = source.Size();
  std::uint64_t copied = 0;
  progress(total, copied);
  const std::unique_ptr<char[]> buffer(new char[chunkSize]);
  for (;;) {
    const long got = source.Read(buffer.get(), chunkSize);
    if (got < 0) {
      return false;
    }
    if (got == 0) {
      break;
    }
    if (!destination.Write(buffer.get(), static_cast<std::size_t>(got))) {
      return false;
    }
    copied += static_cast<std::uint64_t>(got);
    progress(total, copied);
  }
  return destination.Commit();
}

}  // namespace harrowlander::posix
