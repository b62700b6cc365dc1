#pragma once

#include <cstdint>
#include <string>

#include "ports/file_system.h"
#include "ports/platform.h"
#include "run/stop_request.h"

namespace harrowlander {

// "已复制N.NNMB/总计N.NNMB": the bytes copied and the total in megabytes of 2^20 bytes.
std::string CopyProgressText(std::uint64_t copied, std::uint64_t totalSize);
// The same, with the speed so far and the time left once a second has passed:
// "已复制N.NNMB/总计N.NNMB 12.3MB/s 剩余1:05".
std::string CopyProgressText(std::uint64_t copied, std::uint64_t totalSize, double elapsedSeconds);

// "N.NN GB (N 字节)": a size for a message that compares sizes.
std::string DescribeSize(std::uint64_t bytes);

// Copies the file (local or UNC on either side) while the status control shows the
// progress; the status field is left alone, so the operation's next status message
// replaces the progress text. A destination without room for the whole file fails the
// copy before anything is copied, with both sizes in its reason. A broken connection
// is shown while the copy reconnects; a stop request ends the copy between pieces.
// The caller shows its own messages.
CopyOutcome CopyFileWithProgress(Platform& platform, const std::string& source,
                                 const std::string& destination, StopRequest& stop);

}  // namespace harrowlander
