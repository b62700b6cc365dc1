#include "platform/win32/net_use_network_session.h"

// clang-format off
#include "platform/win32/windows_api.h"
#include <lm.h>
// clang-format on

#include <string>

#include "platform/win32/wide_text.h"

namespace harrowlander::win32 {

bool NetUseNetworkSession::AddNetUse(const std::string& remoteName, const std::string& user,
                                     const std::string& password) {
  std::wstring remote = Widen(remoteName);
  std::wstring userName = Widen(user);
  std::wstring secret = Widen(password);
  USE_INFO_2 use{};
  use.ui2_local = nullptr;
  use.ui2_remote = remote.data();
  // Never null: a null password would mean the account's default one, and an empty
  // field is tried as an empty password.
  use.ui2_password = secret.data();
  use.ui2_asg_type = USE_WILDCARD;
  // The account goes in as typed, "DOMAIN\user" included; the system splits it.
  use.ui2_username = userName.data();
  use.ui2_domainname = nullptr;
  const NET_API_STATUS status = NetUseAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&use), nullptr);
  SecureZeroMemory(secret.data(), secret.size() * sizeof(wchar_t));
  return status == NERR_Success;
}

bool NetUseNetworkSession::DeleteNetUse(const std::string& remoteName) {
  std::wstring remote = Widen(remoteName);
  return NetUseDel(nullptr, remote.data(), USE_LOTS_OF_FORCE) == NERR_Success;
}

}  // namespace harrowlander::win32
