#include "platform/win32/temp_name_beside.h"

#include <atomic>
#include <cwchar>

#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

std::wstring TempNameBeside(std::wstring_view path) {
  static std::atomic<unsigned> counter{0};
  wchar_t suffix[32];
  std::swprintf(suffix, sizeof suffix / sizeof suffix[0], L".~%lx-%x",
                static_cast<unsigned long>(GetCurrentProcessId()), counter.fetch_add(1) + 1);
  return std::wstring(path) + suffix;
}

}  // namespace harrowlander::win32
