// Where BACKUP and RESTORE look for a disk device: a name without a folder lives in
// the server's default backup folder.
#pragma once

#include <string>

namespace testserver {

std::string BackupDevicePath(const std::string& disk);

}  // namespace testserver
