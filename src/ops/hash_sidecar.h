#pragma once

#include <string>

#include "ports/file_system.h"
#include "run/stop_request.h"

namespace harrowlander {

// Beside every backup the tool brings home lies "<file>.sha256": one line as sha256sum
// writes it, "<64 hex digits>  <file name>", so that `sha256sum -c` checks the file in
// its own folder.
std::string HashSidecarPath(const std::string& file);
std::string HashSidecarLine(const std::string& sha256, const std::string& file);

// Writes the sidecar of `file`, readable by its owner only; the system's reason when it
// could not.
FileResult WriteHashSidecar(FileSystem& files, const std::string& file, const std::string& sha256);

// The file read through against its sidecar.
struct SidecarCheck {
  enum class Result {
    kNoSidecar,       // nothing to check against
    kMatches,         // the file is what was written
    kDiffers,         // it is not
    kSidecarInvalid,  // the sidecar holds no SHA-256
    kFileUnreadable,  // the file could not be read through
  };
  Result result = Result::kNoSidecar;
  std::string expected;  // the sidecar's hash
  std::string actual;    // the file's, when it was read
};
// Reads the whole file when it has a sidecar; a stop request ends the reading with
// RunStopped.
SidecarCheck CheckAgainstSidecar(FileSystem& files, const std::string& file, StopRequest& stop);

// The status text of a check that found the file not as written, or empty when it may
// be used ("" for kNoSidecar and kMatches). `what` ends the text ("未还原.").
std::string SidecarRefusalText(const SidecarCheck& check, const std::string& file,
                               const std::string& what);

}  // namespace harrowlander
