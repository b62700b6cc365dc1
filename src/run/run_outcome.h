#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace harrowlander {

// How the last run of an operation ended, for every front end to read: the beep's
// result says only whether it ran to its end.
struct RunOutcome {
  enum class State {
    kNothingDone,  // no database named, a dialog cancelled, a question answered No
    kDone,         // the work asked for was done
    kFailed,       // it was not: refused, an error, a failed copy or packing
    kStopped,      // stopped on request, with its clean-up done
  };
  State state = State::kNothingDone;
  // The workstation's file the run made (a backup, its archive) or read (a restore).
  std::string file;
  std::optional<std::uint64_t> bytes;  // that file's size
  double seconds = 0;                  // from the start of the run to its end
  std::string status;                  // the last status text shown
  // What the system said about a failure that the status text does not quote whole
  // (a copy's system error); empty otherwise.
  std::string reason;
  // A backup's: the SHA-256 of the file brought home, and whether the server read the
  // backup through (RESTORE VERIFYONLY) before it was copied.
  std::string sha256;
  bool verified = false;
};

}  // namespace harrowlander
