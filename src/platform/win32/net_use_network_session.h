#pragma once

#include "ports/network_session.h"

namespace harrowlander::win32 {

// The workstation's network uses through NetUseAdd and NetUseDel: a use with no local
// device, made with the account as typed and its password.
class NetUseNetworkSession : public NetworkSession {
 public:
  bool AddNetUse(const std::string& remoteName, const std::string& user,
                 const std::string& password) override;
  // Forced even when files are open through the use.
  bool DeleteNetUse(const std::string& remoteName) override;
};

}  // namespace harrowlander::win32
