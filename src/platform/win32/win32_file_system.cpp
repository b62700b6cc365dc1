#include "platform/win32/win32_file_system.h"

#include <algorithm>
#include <string_view>

#include "platform/win32/cng_sha256.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/temp_name_beside.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes the handle when it goes out of scope.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : m_handle(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return m_handle; }
  bool Close() {
    if (!IsOpen()) {
      return true;
    }
    const bool closed = CloseHandle(m_handle) != 0;
    m_handle = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE m_handle;
};

// Every kind of sharing, as a POSIX open has none of these checks: a file another
// program has open for writing or is about to rename still reads.
FileHandle OpenForReading(const std::wstring& path) {
  return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(HANDLE file, std::string_view content) {
  constexpr std::size_t kMostPerCall = 1u << 30;
  while (!content.empty()) {
    const DWORD size = static_cast<DWORD>(std::min(content.size(), kMostPerCall));
    DWORD written = 0;
    if (!WriteFile(file, content.data(), size, &written, nullptr) || written == 0) {
      return false;
    }
    content.remove_prefix(written);
  }
  return true;
}

}  // namespace

FileContent Win32FileSystem::ReadFileContent(const std::string& path) {
  FileHandle file = OpenForReading(Widen(path));
  if (!file.IsOpen()) {
    return {};
  }
  FileContent result{FileContent::Status::kRead, {}, {}};
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      return {FileContent::Status::kReadFailed, {}, SystemErrorText(GetLastError())};
    }
    if (got == 0) {
      return result;
    }
    result.bytes.append(buffer, got);
  }
}

FileResult Win32FileSystem::ReplaceFilePrivately(const std::string& path,
                                                 const std::string& content) {
  const std::wstring target = Widen(path);
  std::wstring temp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kTempNameAttempts && created == INVALID_HANDLE_VALUE; ++attempt) {
    temp = TempNameBeside(target);
    created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
      break;
    }
  }
  FileHandle file(created);
  if (!file.IsOpen()) {
    return {false, SystemErrorText(GetLastError())};
  }
  bool ok = WriteAll(file.get(), content) && FlushFileBuffers(file.get());
  DWORD error = GetLastError();
  if (!file.Close() && ok) {
    ok = false;
    error = GetLastError();
  }
  if (ok && !MoveFileExW(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    error = GetLastError();
  }
  if (!ok) {
    DeleteFileW(temp.c_str());
    return {false, SystemErrorText(error)};
  }
  return {true, {}};
}

FileResult Win32FileSystem::MoveOver(const std::string& from, const std::string& path) {
  if (!MoveFileExW(Widen(from).c_str(), Widen(path).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {false, SystemErrorText(GetLastError())};
  }
  return {true, {}};
}

std::optional<std::uint64_t> Win32FileSystem::FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The folder is named with its closing backslash, as the system wants a share's top.
std::optional<std::uint64_t> Win32FileSystem::FreeSpace(const std::string& path) {
  const std::wstring wide = Widen(path);
  const std::size_t slash = wide.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L".\\" : wide.substr(0, slash + 1);
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
    return std::nullopt;
  }
  return available.QuadPart;
}

bool Win32FileSystem::DeleteFile(const std::string& path) {
  return DeleteFileW(Widen(path).c_str()) != 0;
}

bool Win32FileSystem::CanOpenForReading(const std::string& path) {
  return OpenForReading(Widen(path)).IsOpen();
}

std::optional<std::string> Win32FileSystem::Sha256OfFile(
    const std::string& path, const std::function<bool()>& stopRequested) {
  const FileHandle file = OpenForReading(Widen(path));
  if (!file.IsOpen()) {
    return std::nullopt;
  }
  DWORD error = ERROR_SUCCESS;
  return Sha256OfOpenFile(file.get(), stopRequested, error);
}

}  // namespace harrowlander::win32
