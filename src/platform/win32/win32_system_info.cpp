#include "platform/win32/win32_system_info.h"

#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

std::optional<std::string> Win32SystemInfo::SettingsDirectory() {
  std::wstring directory(MAX_PATH + 1, L'\0');
  DWORD length = GetTempPathW(static_cast<DWORD>(directory.size()), directory.data());
  if (length > directory.size()) {
    // Too long for the buffer: the answer is the size needed, terminator included.
    directory.resize(length);
    length = GetTempPathW(static_cast<DWORD>(directory.size()), directory.data());
  }
  if (length == 0 || length > directory.size()) {
    return std::nullopt;
  }
  directory.resize(length);
  return Narrow(directory);
}

std::optional<std::string> Win32SystemInfo::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &length) || length == 0) {
    return std::nullopt;
  }
  return Narrow(std::wstring_view(name, length));
}

void Win32SystemInfo::Sleep(unsigned milliseconds) {
  ::Sleep(milliseconds);
}

std::uint32_t Win32SystemInfo::TickCount() {
  return GetTickCount();
}

LocalTime Win32SystemInfo::Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace harrowlander::win32
