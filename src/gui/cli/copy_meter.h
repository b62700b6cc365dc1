#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace harrowlander::cli {

// Where a copy stands: how much, how fast, how long still.
struct CopyReading {
  std::uint64_t copied = 0;
  std::uint64_t total = 0;
  int percent = 0;                    // 0 to 100; an empty file is done at once
  double bytesPerSecond = 0;          // 0 until some time has passed
  std::optional<double> secondsLeft;  // unknown until the rate is

  // The reading after `elapsedSeconds` since the copy started.
  static CopyReading Of(std::uint64_t total, std::uint64_t copied, double elapsedSeconds);
};

// "45% 123.45/456.78 MB 12.3 MB/s 0:27 left" (megabytes of 2^20 bytes).
std::string DescribeReading(const CopyReading& reading);

// A fixed-width bar with the description, for a terminal line that is redrawn.
std::string ProgressBar(const CopyReading& reading);

// Tells when a copy passes the next tenth of its size: one line per 10 % where the
// output is not a terminal.
class TenthSteps {
 public:
  // True the first time the reading reaches a tenth not reported yet (10 %, 20 % ...).
  bool Passed(const CopyReading& reading);

 private:
  int m_reported = 0;
};

}  // namespace harrowlander::cli
