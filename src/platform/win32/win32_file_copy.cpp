#include <optional>
#include <string>

#include "platform/win32/temp_name_beside.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {
namespace {

struct ProgressRelay {
  const CopyProgressCallback& progress;
  bool called = false;
};

// The system calls this at the start of each stream and after each piece it copied.
DWORD CALLBACK RelayProgress(LARGE_INTEGER totalSize, LARGE_INTEGER copied, LARGE_INTEGER,
                             LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  auto* relay = static_cast<ProgressRelay*>(data);
  relay->called = true;
  relay->progress(static_cast<std::uint64_t>(totalSize.QuadPart),
                  static_cast<std::uint64_t>(copied.QuadPart));
  return PROGRESS_CONTINUE;
}

std::optional<std::uint64_t> SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Puts the copy's content on the disk (over the network: on the server's) before it
// takes the destination's name.
bool Flush(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  const bool flushed = FlushFileBuffers(file) != 0;
  return CloseHandle(file) != 0 && flushed;
}

}  // namespace

// The copy goes to a fresh name (it must not exist, so nothing else is overwritten);
// restartable copying would only slow it down, as a fresh name never restarts.
// The copy counts only when it holds exactly the source's size from before the copy,
// and the source still has that size after it: a file that grew or shrank meanwhile
// (the server still writing it, a disk filling up) fails the copy.
bool Win32FileSystem::CopyFile(const std::string& source, const std::string& destination,
                               const CopyProgressCallback& progress) {
  const std::wstring from = Widen(source);
  const std::wstring to = Widen(destination);
  const std::optional<std::uint64_t> sourceSize = SizeOf(from);
  if (!sourceSize) {
    return false;
  }
  ProgressRelay relay{progress};
  std::wstring temp;
  for (int attempt = 0;; ++attempt) {
    temp = TempNameBeside(to);
    if (CopyFileExW(from.c_str(), temp.c_str(), RelayProgress, &relay, nullptr,
                    COPY_FILE_FAIL_IF_EXISTS)) {
      break;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
      if (attempt + 1 < kTempNameAttempts) {
        continue;
      }
      return false;  // that file is someone else's
    }
    DeleteFileW(temp.c_str());  // whatever a copy that broke off has left
    return false;
  }
  if (!relay.called) {
    // Some systems' copies never call the routine; the caller still learns the end.
    progress(*sourceSize, *sourceSize);
  }
  if (SizeOf(temp) != sourceSize || SizeOf(from) != sourceSize || !Flush(temp)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  if (!MoveFileExW(temp.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace harrowlander::win32
