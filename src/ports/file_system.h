#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace harrowlander {

struct FileResult {
  bool ok = false;
  std::string error;  // the system's description when !ok
};

// What reading a whole file found.
struct FileContent {
  enum class Status { kRead, kNotOpened, kReadFailed };
  Status status = Status::kNotOpened;
  std::string bytes;  // kRead: the whole content
  std::string error;  // kReadFailed: the system's description
};

// Called during a copy with the file's total size and the bytes copied so far, once
// when the copy starts and again after each piece.
using CopyProgressCallback = std::function<void(std::uint64_t totalSize, std::uint64_t copied)>;

// What a copy tells its caller while it runs, and asks it. Called on the thread that
// called CopyFile.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // The file's total size and the bytes copied so far without a gap: once when the copy
  // starts, then as pieces arrive.
  virtual void Progress(std::uint64_t totalSize, std::uint64_t copied) = 0;
  // The connection to the other machine broke; the copy connects again and goes on
  // with the pieces it has, for a limited time.
  virtual void Reconnecting() {}
  // Asked between pieces and while the copy waits to connect again: true ends it.
  virtual bool StopRequested() { return false; }
};

// How a copy ended.
struct CopyOutcome {
  enum class Status { kCopied, kFailed, kStopped };
  Status status = Status::kFailed;
  // kFailed: what the system said went wrong, in its words ("No space left on device").
  std::string reason;
  // A file the copy made beside the destination and could not remove again (the
  // connection to it was lost); empty when it left nothing.
  std::string leftover;
  // kCopied: the SHA-256 of the destination's whole content, 64 lowercase hex digits,
  // taken from the bytes as the copy wrote them; empty otherwise. The braces keep
  // {status, reason, leftover} free of a missing-initializer warning.
  std::string sha256{};

  bool Copied() const { return status == Status::kCopied; }
};

// The reason of a copy whose source grew or shrank while it was copied.
inline constexpr const char* kSourceChangedReason =
    "the source file changed its size while it was copied";

// The workstation's files. Paths are UTF-8; a path that begins with two backslashes is a
// UNC path, "\\server\share\folder\file", reached through the workstation's network
// log-ons (NetworkSession).
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content; or that the file could not be opened for reading (missing, a
  // folder, no access); or that it opened and a read then failed.
  virtual FileContent ReadFileContent(const std::string& path) = 0;
  // The whole content; nothing when the file cannot be opened or read through.
  std::optional<std::string> ReadWholeFile(const std::string& path) {
    FileContent content = ReadFileContent(path);
    if (content.status != FileContent::Status::kRead) {
      return std::nullopt;
    }
    return std::move(content.bytes);
  }

  // Replaces the file's content all at once: the new content is written beside it and
  // moved over it, so that on any failure the old file stays as it was. The file is
  // readable and writable by its owner only.
  virtual FileResult ReplaceFilePrivately(const std::string& path, const std::string& content) = 0;

  // Moves the file `from` over `path` in the same folder, replacing a file there in one
  // step: `path` is at every moment either the old file or the whole new one. `from`'s
  // content is on the disk before the move. On failure both stay as they were.
  virtual FileResult MoveOver(const std::string& from, const std::string& path) = 0;

  // Copies the file, local or UNC on either side. The copy goes to a new file beside the
  // destination, which replaces an existing destination only once it is complete;
  // however it ends otherwise (failed, stopped), the destination is as it was. A copy
  // over the network whose connection breaks connects again and goes on for up to two
  // minutes in all.
  virtual CopyOutcome CopyFile(const std::string& source, const std::string& destination,
                               CopyObserver& observer) = 0;

  // The file's size; nothing when it cannot be learnt.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  // The bytes a new file may take in the folder that holds `path` (which need not
  // exist); nothing when that cannot be learnt.
  virtual std::optional<std::uint64_t> FreeSpace(const std::string& path) = 0;

  // False when the file could not be deleted (also when it does not exist).
  virtual bool DeleteFile(const std::string& path) = 0;

  // Whether the file can be opened for reading; it is closed again at once.
  virtual bool CanOpenForReading(const std::string& path) = 0;

  // The SHA-256 of the file's whole content, local or UNC, as 64 lowercase hex digits;
  // nothing when it cannot be read through. Reads the whole file, which may take long:
  // stopRequested (which may be empty) is asked between pieces, and true ends it with
  // nothing.
  virtual std::optional<std::string> Sha256OfFile(const std::string& path,
                                                  const std::function<bool()>& stopRequested) = 0;
};

}  // namespace harrowlander
