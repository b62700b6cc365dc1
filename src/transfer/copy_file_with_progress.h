#pragma once

#include <cstdint>
#include <string>

#include "ports/platform.h"

namespace harrowlander {

// "已复制N.NNMB/总计N.NNMB": the bytes copied and the total in megabytes of 2^20 bytes.
std::string CopyProgressText(std::uint64_t copied, std::uint64_t totalSize);

// Copies the file (local or UNC on either side) while the status control shows the
// progress; the status field is left alone, so the operation's next status message
// replaces the progress text. The copy cannot be cancelled. 1 when it succeeded, else 0;
// the caller shows its own messages.
int CopyFileWithProgress(Platform& platform, const std::string& source,
                         const std::string& destination);

}  // namespace harrowlander
