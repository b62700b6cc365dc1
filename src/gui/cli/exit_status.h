#pragma once

namespace harrowlander::cli {

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// A run stopped by a signal ends as a shell reports a program that the signal ended:
// 128 plus the signal's number.
inline constexpr int kExitInterrupted = 130;  // SIGINT, Ctrl+C
inline constexpr int kExitTerminated = 143;   // SIGTERM, SIGHUP, Ctrl+Break, console closed

}  // namespace harrowlander::cli
