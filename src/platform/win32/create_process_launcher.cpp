#include "platform/win32/create_process_launcher.h"

#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

std::optional<int> CreateProcessLauncher::StartAndWait(const std::string& applicationPath,
                                                       const std::string& commandLine) {
  const std::wstring application = Widen(applicationPath);
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring writableCommandLine = Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(application.c_str(), writableCommandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &process)) {
    return std::nullopt;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}

}  // namespace harrowlander::win32
