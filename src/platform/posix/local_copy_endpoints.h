#pragma once

#include <memory>
#include <string>

#include "platform/posix/copy_endpoints.h"

namespace harrowlander::posix {

// A local file opened for reading; nothing when it cannot be opened or is no regular
// file.
std::unique_ptr<CopySource> OpenLocalSource(const std::string& path);

// A new local file beside the path, created readable by everyone the umask allows;
// nothing when it cannot be created.
std::unique_ptr<CopyDestination> CreateLocalDestination(const std::string& path);

// Local to local, copied inside the kernel where the file systems allow it.
bool CopyLocalFile(const std::string& source, const std::string& destination,
                   const CopyProgressCallback& progress);

}  // namespace harrowlander::posix
