#include "gui/cli/copy_meter.h"

#include <cstdio>

namespace harrowlander::cli {
namespace {

constexpr double kMegabyte = 1048576.0;

std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

CopyReading CopyReading::Of(std::uint64_t total, std::uint64_t copied, double elapsedSeconds) {
  CopyReading reading;
  reading.total = total;
  reading.copied = copied;
  reading.percent =
      total == 0 || copied >= total
          ? 100
          : static_cast<int>(static_cast<double>(copied) * 100.0 / static_cast<double>(total));
  if (elapsedSeconds > 0 && copied > 0) {
    reading.bytesPerSecond = static_cast<double>(copied) / elapsedSeconds;
    reading.secondsLeft =
        copied >= total ? 0.0 : static_cast<double>(total - copied) / reading.bytesPerSecond;
  }
  return reading;
}

std::string DescribeReading(const CopyReading& reading) {
  char text[128];
  std::snprintf(text, sizeof text, "%3d%% %.2f/%.2f MB", reading.percent,
                static_cast<double>(reading.copied) / kMegabyte,
                static_cast<double>(reading.total) / kMegabyte);
  std::string description = text;
  if (reading.secondsLeft) {
    std::snprintf(text, sizeof text, " %.1f MB/s %s left", reading.bytesPerSecond / kMegabyte,
                  Duration(*reading.secondsLeft).c_str());
    description += text;
  } else {
    description += " --.- MB/s --:-- left";
  }
  return description;
}

std::string ProgressBar(const CopyReading& reading) {
  constexpr int kWidth = 24;
  const int filled = reading.percent * kWidth / 100;
  return "[" + std::string(static_cast<size_t>(filled), '#') +
         std::string(static_cast<size_t>(kWidth - filled), '.') + "] " + DescribeReading(reading);
}

bool TenthSteps::Passed(const CopyReading& reading) {
  const int tenth = reading.percent / 10 * 10;
  if (tenth <= m_reported) {
    return false;
  }
  m_reported = tenth;
  return true;
}

}  // namespace harrowlander::cli
