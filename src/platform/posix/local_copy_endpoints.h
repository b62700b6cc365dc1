#pragma once

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/posix/copy_endpoints.h"

namespace harrowlander::posix {

// A local file opened for reading; nothing when it cannot be opened or is no regular
// file. Any number of streams read it at once.
std::unique_ptr<CopySource> OpenLocalSource(const std::string& path);

// The system calls by which Commit makes the new file the destination: the new file
// synced, renamed over the destination, the folder synced. A test passes its own to
// watch their order.
struct CommitCalls {
  std::function<int(int fd)> sync = [](int fd) { return ::fsync(fd); };
  std::function<int(const char* from, const char* to)> rename =
      [](const char* from, const char* to) { return std::rename(from, to); };
};

// A new local file beside the path, readable and writable by its owner only (a copied
// backup holds a whole database); nothing when it cannot be created. Any number of
// streams write it at once; its pages go to disk while the copy runs, and Commit syncs
// the file before the rename and the folder after it.
std::unique_ptr<CopyDestination> CreateLocalDestination(const std::string& path,
                                                        CommitCalls calls = {});

// Local to local, through CopyInPieces.
CopyOutcome CopyLocalFile(const std::string& source, const std::string& destination,
                          CopyObserver& observer);

}  // namespace harrowlander::posix
