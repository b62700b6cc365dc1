#include "transfer/copy_file_with_progress.h"

#include <chrono>
#include <cstdio>

#include "res/format_text.h"
#include "res/resource_ids.h"

namespace harrowlander {
namespace {

constexpr double kMegabyte = 1048576.0;

// The server of a UNC path ("\\server\share\..."); empty for a local path.
std::string UncServer(const std::string& path) {
  if (path.rfind("\\\\", 0) != 0) {
    return {};
  }
  return path.substr(2, path.find('\\', 2) - 2);
}

// Shows each new progress text at once (an unchanged one is not painted again) and
// asks for a stop between pieces.
class StatusLineCopy : public CopyObserver {
 public:
  StatusLineCopy(Platform& platform, StopRequest& stop, std::string otherMachine)
      : m_platform(platform), m_stop(stop), m_otherMachine(std::move(otherMachine)) {}

  void Progress(std::uint64_t totalSize, std::uint64_t copied) override {
    std::string text = CopyProgressText(
        copied, totalSize,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count());
    if (text != m_shown) {
      m_platform.window.SetControlTextNow(res::IDC_STATUS, text);
      m_shown = std::move(text);
    }
    RunProgress progress;
    progress.step = RunProgress::Step::kCopy;
    progress.total = totalSize;
    progress.copied = copied;
    progress.percent = totalSize == 0 ? 100 : static_cast<int>(copied * 100 / totalSize);
    m_platform.window.ReportProgress(progress);
  }
  void Reconnecting() override {
    m_shown = FormatText("与[%s]的连接中断,正在重试...", {m_otherMachine});
    m_platform.window.SetControlTextNow(res::IDC_STATUS, m_shown);
    RunProgress progress;
    progress.step = RunProgress::Step::kCopy;
    progress.reconnecting = true;
    progress.text = m_shown;
    m_platform.window.ReportProgress(progress);
  }
  bool StopRequested() override { return m_stop.IsRequested(); }

 private:
  Platform& m_platform;
  StopRequest& m_stop;
  std::string m_otherMachine;
  std::string m_shown;
  const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace

std::string CopyProgressText(std::uint64_t copied, std::uint64_t totalSize) {
  char text[96];
  std::snprintf(text, sizeof text, "已复制%0.2fMB/总计%0.2fMB",
                static_cast<double>(copied) / kMegabyte,
                static_cast<double>(totalSize) / kMegabyte);
  return text;
}

std::string CopyProgressText(std::uint64_t copied, std::uint64_t totalSize, double elapsedSeconds) {
  std::string text = CopyProgressText(copied, totalSize);
  if (elapsedSeconds < 1 || copied == 0) {
    return text;
  }
  const double bytesPerSecond = static_cast<double>(copied) / elapsedSeconds;
  const auto left = static_cast<std::uint64_t>(
      static_cast<double>(totalSize > copied ? totalSize - copied : 0) / bytesPerSecond + 0.5);
  char suffix[64];
  if (left >= 3600) {
    std::snprintf(suffix, sizeof suffix, " %0.1fMB/s 剩余%llu:%02llu:%02llu",
                  bytesPerSecond / kMegabyte, static_cast<unsigned long long>(left / 3600),
                  static_cast<unsigned long long>(left / 60 % 60),
                  static_cast<unsigned long long>(left % 60));
  } else {
    std::snprintf(suffix, sizeof suffix, " %0.1fMB/s 剩余%llu:%02llu", bytesPerSecond / kMegabyte,
                  static_cast<unsigned long long>(left / 60),
                  static_cast<unsigned long long>(left % 60));
  }
  return text + suffix;
}

std::string DescribeSize(std::uint64_t bytes) {
  char text[96];
  if (bytes >= (std::uint64_t{1} << 30)) {
    std::snprintf(text, sizeof text, "%0.2f GB (%llu 字节)",
                  static_cast<double>(bytes) / (kMegabyte * 1024),
                  static_cast<unsigned long long>(bytes));
  } else {
    std::snprintf(text, sizeof text, "%0.2f MB (%llu 字节)", static_cast<double>(bytes) / kMegabyte,
                  static_cast<unsigned long long>(bytes));
  }
  return text;
}

CopyOutcome CopyFileWithProgress(Platform& platform, const std::string& source,
                                 const std::string& destination, StopRequest& stop) {
  FileSystem& files = platform.files;
  // The new file is written beside an existing destination, which it replaces only
  // once it is whole: it needs room for all of itself.
  if (const auto size = files.FileSize(source)) {
    if (const auto free = files.FreeSpace(destination); free && *free < *size) {
      return {CopyOutcome::Status::kFailed,
              FormatText("目标位置空间不足:文件大小%s,可用空间%s",
                         {DescribeSize(*size), DescribeSize(*free)}),
              {}};
    }
  }
  std::string otherMachine = UncServer(source);
  if (otherMachine.empty()) {
    otherMachine = UncServer(destination);
  }
  StatusLineCopy observer(platform, stop, otherMachine);
  return files.CopyFile(source, destination, observer);
}

}  // namespace harrowlander
