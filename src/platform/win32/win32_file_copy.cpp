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

std::uint64_t SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return 0;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

// The copy goes to a fresh name (it must not exist, so nothing else is overwritten);
// restartable copying would only slow it down, as a fresh name never restarts.
bool Win32FileSystem::CopyFile(const std::string& source, const std::string& destination,
                               const CopyProgressCallback& progress) {
  const std::wstring from = Widen(source);
  const std::wstring to = Widen(destination);
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
    const std::uint64_t size = SizeOf(temp);
    progress(size, size);
  }
  if (!MoveFileExW(temp.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace harrowlander::win32
