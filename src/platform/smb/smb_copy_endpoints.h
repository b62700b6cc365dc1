#pragma once

#include <memory>

#include "platform/posix/copy_endpoints.h"
#include "platform/smb/smb_client.h"

namespace harrowlander::smb {

// A file on a share opened for reading; nothing when it cannot be opened.
std::unique_ptr<posix::CopySource> OpenSmbSource(SmbClient& client, const UncPath& path);

// A new file beside the path on the same share; nothing when it cannot be created.
std::unique_ptr<posix::CopyDestination> CreateSmbDestination(SmbClient& client,
                                                             const UncPath& path);

}  // namespace harrowlander::smb
