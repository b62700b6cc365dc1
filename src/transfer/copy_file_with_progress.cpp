#include "transfer/copy_file_with_progress.h"

#include <cstdio>

#include "res/resource_ids.h"

namespace harrowlander {

std::string CopyProgressText(std::uint64_t copied, std::uint64_t totalSize) {
  constexpr double kMegabyte = 1048576.0;
  char text[96];
  std::snprintf(text, sizeof text, "已复制%0.2fMB/总计%0.2fMB",
                static_cast<double>(copied) / kMegabyte,
                static_cast<double>(totalSize) / kMegabyte);
  return text;
}

int CopyFileWithProgress(Platform& platform, const std::string& source,
                         const std::string& destination) {
  // The dialog handles no input while the copy runs, so each new text is painted at
  // once; an unchanged text is not painted again.
  std::string shown;
  auto showProgress = [&](std::uint64_t totalSize, std::uint64_t copied) {
    std::string text = CopyProgressText(copied, totalSize);
    if (text != shown) {
      platform.window.SetControlTextNow(res::IDC_STATUS, text);
      shown = std::move(text);
    }
  };
  return platform.files.CopyFile(source, destination, showProgress) ? 1 : 0;
}

}  // namespace harrowlander
