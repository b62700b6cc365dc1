#include "platform/win32/create_process_launcher.h"

#include <cwchar>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

namespace {

// This process's environment block with the extra variables in place of any of the
// same name; empty when there are none, and the program then inherits ours.
std::wstring EnvironmentBlock(const ExtraEnvironment& environment) {
  if (environment.empty()) {
    return {};
  }
  std::wstring block;
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* entry = own; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring variable(entry);
    bool replaced = false;
    for (const auto& [name, value] : environment) {
      const std::wstring prefix = Widen(name) + L"=";
      replaced = replaced || _wcsnicmp(variable.c_str(), prefix.c_str(), prefix.size()) == 0;
    }
    if (!replaced) {
      block += variable + L'\0';
    }
  }
  FreeEnvironmentStringsW(own);
  for (const auto& [name, value] : environment) {
    block += Widen(name) + L"=" + Widen(value) + L'\0';
  }
  return block + L'\0';
}

}  // namespace

std::optional<int> CreateProcessLauncher::Run(const std::string& applicationPath,
                                              const std::string& commandLine,
                                              const ExtraEnvironment& environment) {
  const std::wstring application = Widen(applicationPath);
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring writableCommandLine = Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring block = EnvironmentBlock(environment);
  if (!CreateProcessW(application.c_str(), writableCommandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT,
                      block.empty() ? nullptr : block.data(), nullptr, &startup, &process)) {
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
