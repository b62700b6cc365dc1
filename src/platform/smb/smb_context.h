#pragma once

extern "C" {
#include <libsmbclient.h>
}

#include "platform/smb/smb_client.h"

namespace harrowlander::smb {

// A new libsmbclient context set up as every connection of ours is: never an anonymous
// log-on, no Kerberos, the given port (0: the standard one), userData and supply
// answering the library's question for an account. Nothing when the library cannot
// make one. Called under SmbClient::Lock().
SMBCCTX* NewSmbContext(int port, void* userData, smbc_get_auth_data_with_context_fn supply);

// Fills in the library's account fields; no account gives no user name, which the
// server refuses.
void FillAccount(const SmbClient::Account* account, char* workgroup, int workgroupSize, char* user,
                 int userSize, char* password, int passwordSize);

}  // namespace harrowlander::smb
