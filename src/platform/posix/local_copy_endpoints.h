#pragma once

#include <memory>
#include <string>

#include "platform/posix/copy_endpoints.h"

namespace harrowlander::posix {

// A local file opened for reading; nothing when it cannot be opened or is no regular
// file. Any number of streams read it at once.
std::unique_ptr<CopySource> OpenLocalSource(const std::string& path);

// A new local file beside the path, readable and writable by its owner only (a copied
// backup holds a whole database); nothing when it cannot be created. Any number of
// streams write it at once; its pages go to disk while the copy runs, and Commit syncs
// the file before the rename and the folder after it.
std::unique_ptr<CopyDestination> CreateLocalDestination(const std::string& path);

// Local to local, through CopyInPieces.
CopyOutcome CopyLocalFile(const std::string& source, const std::string& destination,
                          CopyObserver& observer);

}  // namespace harrowlander::posix
