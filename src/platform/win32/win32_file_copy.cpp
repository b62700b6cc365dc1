#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "platform/win32/cng_sha256.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/temp_name_beside.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Our own error code (the application bit set) for a source whose size changed.
constexpr DWORD kSourceChanged = APPLICATION_ERROR_MASK | 1;

// What the system's copy tells the observer as it goes, and what it answers.
struct ProgressRelay {
  CopyObserver& observer;
  bool called = false;
  bool stopped = false;
  std::uint64_t mostCopied = 0;
};

// The system calls this at the start of each stream and after each piece it copied.
DWORD CALLBACK RelayProgress(LARGE_INTEGER totalSize, LARGE_INTEGER copied, LARGE_INTEGER,
                             LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  auto* relay = static_cast<ProgressRelay*>(data);
  relay->called = true;
  relay->mostCopied = std::max(relay->mostCopied, static_cast<std::uint64_t>(copied.QuadPart));
  relay->observer.Progress(static_cast<std::uint64_t>(totalSize.QuadPart),
                           static_cast<std::uint64_t>(copied.QuadPart));
  if (relay->observer.StopRequested()) {
    relay->stopped = true;
    return PROGRESS_CANCEL;
  }
  return PROGRESS_CONTINUE;
}

// The connection to the other machine broke, timed out or cannot be made now.
bool IsNetworkError(DWORD error) {
  switch (error) {
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_SEM_TIMEOUT:
    case ERROR_BAD_NETPATH:
    case ERROR_NETWORK_BUSY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NET_RESP:
    case ERROR_REM_NOT_LIST:
    case ERROR_VC_DISCONNECTED:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
    case ERROR_PORT_UNREACHABLE:
    case ERROR_CONNECTION_REFUSED:
    case ERROR_CONNECTION_ABORTED:
    case ERROR_CONNECTION_INVALID:
    case ERROR_NO_NETWORK:
    case ERROR_NOT_CONNECTED:
      return true;
    default:
      return false;
  }
}

bool IsUncPath(const std::wstring& path) {
  return path.starts_with(L"\\\\");
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
  const DWORD error = flushed ? ERROR_SUCCESS : GetLastError();
  if (!CloseHandle(file)) {
    return false;
  }
  SetLastError(error);
  return flushed;
}

// Not at all before the first attempt, then longer each time, up to two seconds.
milliseconds PauseBeforeAttempt(int attempt) {
  return attempt == 0 ? milliseconds(0) : milliseconds(250 << std::min(attempt - 1, 3));
}

// Waits for the pause, asking for a stop a few times a second; false on a stop.
bool PauseUnlessStopped(CopyObserver& observer, milliseconds pause) {
  const Clock::time_point end = Clock::now() + pause;
  do {
    if (observer.StopRequested()) {
      return false;
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(milliseconds(100), end - Clock::now()));
  } while (Clock::now() < end);
  return true;
}

// The copy into a new file beside the destination, which takes the destination's name
// only once it is whole and checked; removed otherwise.
class CopyToNewFile {
 public:
  CopyToNewFile(std::wstring source, std::wstring destination, ProgressRelay& relay)
      : m_source(std::move(source)), m_destination(std::move(destination)), m_relay(relay) {}

  // The first pass under a fresh name: one no file has yet, so that nothing else is
  // overwritten. ERROR_FILE_EXISTS when every name tried was taken.
  DWORD FirstPass(std::uint64_t sourceSize, DWORD flags) {
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
      m_temp = TempNameBeside(m_destination);
      const DWORD error = Pass(sourceSize, flags | COPY_FILE_FAIL_IF_EXISTS);
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        m_ours = true;
        return error;
      }
    }
    return ERROR_FILE_EXISTS;  // those files are someone else's
  }
  // The system's copy into the new file unless it is through, then the checks and the
  // move; ERROR_SUCCESS or the error that ended it. A restartable copy goes on with what
  // the new file holds.
  DWORD Pass(std::uint64_t sourceSize, DWORD flags) {
    if (!m_copied) {
      if (!CopyFileExW(m_source.c_str(), m_temp.c_str(), RelayProgress, &m_relay, nullptr, flags)) {
        return GetLastError();
      }
      m_copied = true;
      if (!m_relay.called) {
        // Some systems' copies never call the routine; the caller still learns the end.
        m_relay.observer.Progress(sourceSize, sourceSize);
      }
    }
    // The copy counts only when it holds exactly the source's size from before the copy,
    // and the source still has that size after it: a file that grew or shrank meanwhile
    // (the server still writing it, a disk filling up) fails the copy.
    const std::optional<std::uint64_t> copiedSize = SizeOf(m_temp);
    const std::optional<std::uint64_t> sourceNow = copiedSize ? SizeOf(m_source) : std::nullopt;
    if (!sourceNow) {
      return GetLastError();
    }
    if (copiedSize != sourceSize || sourceNow != sourceSize) {
      return kSourceChanged;
    }
    if (m_relay.observer.StopRequested()) {
      m_relay.stopped = true;
      return ERROR_REQUEST_ABORTED;
    }
    if (m_sha256.empty()) {
      if (const DWORD error = HashNewFile(); error != ERROR_SUCCESS) {
        return error;
      }
    }
    if (!Flush(m_temp) || !MoveFileExW(m_temp.c_str(), m_destination.c_str(),
                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return GetLastError();
    }
    m_ours = false;
    return ERROR_SUCCESS;
  }
  // Removes the new file; answers its path when it stays behind on a share.
  std::string Discard() {
    if (!m_ours || DeleteFileW(m_temp.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
        !IsUncPath(m_temp)) {
      m_ours = false;
      return {};
    }
    m_ours = false;
    return Narrow(m_temp);
  }
  ~CopyToNewFile() { Discard(); }

  const std::string& Sha256() const { return m_sha256; }

 private:
  // The system's copy hands over no bytes: the new file is read back once, whole, for
  // its digest, asking for a stop between pieces. A new file on a share would come back
  // over the network a second time: the local source is read instead, which the checks
  // of size before and after hold to what was copied.
  DWORD HashNewFile() {
    const std::wstring& hashed = IsUncPath(m_temp) && !IsUncPath(m_source) ? m_source : m_temp;
    const HANDLE file =
        CreateFileW(hashed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      return GetLastError();
    }
    DWORD error = ERROR_SUCCESS;
    std::optional<std::string> digest = Sha256OfOpenFile(
        file, [this] { return m_relay.observer.StopRequested(); }, error);
    CloseHandle(file);
    if (error == ERROR_REQUEST_ABORTED) {
      m_relay.stopped = true;
    }
    if (digest) {
      m_sha256 = std::move(*digest);
    }
    return error;
  }

  std::wstring m_source;
  std::wstring m_destination;
  ProgressRelay& m_relay;
  std::wstring m_temp;
  bool m_ours = false;
  bool m_copied = false;
  std::string m_sha256;
};

}  // namespace

// A copy over the network is restartable: the system keeps track of its progress in the
// new file, and a pass after a failure of the network goes on from there (a digest cut
// off by the network is taken again from the start). Passes go on
// for the window since the failure, renewed by one that got more bytes through.
CopyOutcome Win32FileSystem::CopyFile(const std::string& source, const std::string& destination,
                                      CopyObserver& observer) {
  const std::wstring from = Widen(source);
  const std::wstring to = Widen(destination);
  const bool overNetwork = IsUncPath(from) || IsUncPath(to);
  const DWORD flags = overNetwork ? COPY_FILE_RESTARTABLE : 0;
  const std::optional<std::uint64_t> sourceSize = SizeOf(from);
  if (!sourceSize) {
    return {CopyOutcome::Status::kFailed, SystemErrorText(GetLastError()), {}};
  }
  if (observer.StopRequested()) {
    return {CopyOutcome::Status::kStopped, {}, {}};
  }
  ProgressRelay relay{observer};
  CopyToNewFile copy(from, to, relay);
  DWORD error = copy.FirstPass(*sourceSize, flags);
  std::optional<Clock::time_point> deadline;
  std::uint64_t copiedBeforeSpell = 0;
  for (int attempt = 0; error != ERROR_SUCCESS; ++attempt) {
    if (relay.stopped || error == ERROR_REQUEST_ABORTED) {
      return {CopyOutcome::Status::kStopped, {}, copy.Discard()};
    }
    if (error == kSourceChanged) {
      return {CopyOutcome::Status::kFailed, kSourceChangedReason, copy.Discard()};
    }
    if (!overNetwork || !IsNetworkError(error)) {
      return {CopyOutcome::Status::kFailed, SystemErrorText(error), copy.Discard()};
    }
    // A spell of connecting again begins at the first failure, and again at one that
    // came after more bytes had got through.
    if (!deadline || relay.mostCopied > copiedBeforeSpell) {
      observer.Reconnecting();
      deadline = Clock::now() + m_reconnectWindow;
      copiedBeforeSpell = relay.mostCopied;
      attempt = 0;
    } else if (Clock::now() > *deadline) {
      return {CopyOutcome::Status::kFailed, SystemErrorText(error), copy.Discard()};
    }
    if (!PauseUnlessStopped(observer, PauseBeforeAttempt(attempt + 1))) {
      return {CopyOutcome::Status::kStopped, {}, copy.Discard()};
    }
    error = copy.Pass(*sourceSize, flags);
  }
  return {CopyOutcome::Status::kCopied, {}, {}, copy.Sha256()};
}

}  // namespace harrowlander::win32
