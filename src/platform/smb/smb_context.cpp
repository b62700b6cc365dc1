#include "platform/smb/smb_context.h"

#include <cstring>

namespace harrowlander::smb {
namespace {

void CopyField(char* field, int size, const std::string& value) {
  std::strncpy(field, value.c_str(), static_cast<std::size_t>(size) - 1);
  field[size - 1] = '\0';
}

}  // namespace

SMBCCTX* NewSmbContext(int port, void* userData, smbc_get_auth_data_with_context_fn supply) {
  SMBCCTX* context = smbc_new_context();
  if (context == nullptr) {
    return nullptr;
  }
  smbc_setDebug(context, 0);
  smbc_setOptionUserData(context, userData);
  smbc_setFunctionAuthDataWithContext(context, supply);
  smbc_setOptionNoAutoAnonymousLogin(context, 1);
  smbc_setOptionUseKerberos(context, 0);
  smbc_setOptionFallbackAfterKerberos(context, 0);
  if (port != 0) {
    smbc_setPort(context, static_cast<uint16_t>(port));
  }
  if (smbc_init_context(context) == nullptr) {
    smbc_free_context(context, 1);
    return nullptr;
  }
  return context;
}

void FillAccount(const SmbClient::Account* account, char* workgroup, int workgroupSize, char* user,
                 int userSize, char* password, int passwordSize) {
  if (account == nullptr) {
    CopyField(user, userSize, "");
    CopyField(password, passwordSize, "");
    return;
  }
  if (!account->domain.empty()) {
    CopyField(workgroup, workgroupSize, account->domain);
  }
  CopyField(user, userSize, account->user);
  CopyField(password, passwordSize, account->password);
}

}  // namespace harrowlander::smb
