#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::testing {

// A fresh folder in the user's temporary directory, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    static int count = 0;
    m_path =
        std::filesystem::path(temp) / (L"harrowlander-" + std::to_wstring(GetCurrentProcessId()) +
                                       L"-" + std::to_wstring(++count));
    std::filesystem::create_directory(m_path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }

  // A UTF-8 path in the folder, as the core passes paths.
  std::string operator/(const std::string& name) const {
    return win32::Narrow(m_path.wstring()) + "\\" + name;
  }
  int EntryCount() const {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(m_path), {}));
  }

 private:
  std::filesystem::path m_path;
};

inline void WriteTestFile(const std::string& path, const std::string& content) {
  std::FILE* file = _wfopen(win32::Widen(path).c_str(), L"wb");
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
}

inline std::string ReadTestFile(const std::string& path) {
  std::FILE* file = _wfopen(win32::Widen(path).c_str(), L"rb");
  if (file == nullptr) {
    return "<missing>";
  }
  std::string content;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    content.append(buffer, got);
  }
  std::fclose(file);
  return content;
}

// The file opened by someone else, who shares it as `share` says, until destroyed.
class HeldOpen {
 public:
  HeldOpen(const std::string& path, DWORD access, DWORD share)
      : m_handle(CreateFileW(win32::Widen(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldOpen() {
    if (m_handle != INVALID_HANDLE_VALUE) {
      CloseHandle(m_handle);
    }
  }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_handle;
};

}  // namespace harrowlander::testing
