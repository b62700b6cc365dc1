#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace harrowlander {

// Where a long step of a run stands, for the front ends that show more than the status
// line's text (the command line's progress lines).
struct RunProgress {
  enum class Step {
    kCopy,     // a file between the workstation and the server's share
    kBackup,   // the server writes a backup
    kRestore,  // the server restores a backup
  };
  Step step = Step::kCopy;
  std::optional<int> percent;  // 0 to 100, when the step says
  // A copy's bytes: the whole file and what has arrived without a gap.
  std::uint64_t total = 0;
  std::uint64_t copied = 0;
  // The copy's connection broke and it connects again; `text` says so.
  bool reconnecting = false;
  std::string text;
};

}  // namespace harrowlander
