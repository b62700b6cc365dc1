#include "platform/win32/windows_api.h"

#include <sddl.h>

#include "gui/cli/workstation_files.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/temp_name_beside.h"
#include "platform/win32/wide_text.h"

namespace harrowlander::cli {

std::string CannotCreateFileBeside(const std::string& path) {
  // Full control for the file's owner alone, nothing inherited from the folder.
  PSECURITY_DESCRIPTOR ownerOnly = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1,
                                                              &ownerOnly, nullptr)) {
    return win32::SystemErrorText(::GetLastError());
  }
  SECURITY_ATTRIBUTES security = {sizeof security, ownerOnly, FALSE};
  const std::wstring target = win32::Widen(path);
  HANDLE created = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < win32::kTempNameAttempts && error == ERROR_FILE_EXISTS;
       ++attempt) {
    // Removed as it is closed.
    created =
        ::CreateFileW(win32::TempNameBeside(target).c_str(), GENERIC_WRITE, 0, &security,
                      CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    error = created == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
  }
  ::LocalFree(ownerOnly);
  if (created == INVALID_HANDLE_VALUE) {
    return win32::SystemErrorText(error);
  }
  ::CloseHandle(created);
  return {};
}

}  // namespace harrowlander::cli
