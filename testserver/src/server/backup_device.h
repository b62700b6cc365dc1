// Where BACKUP and RESTORE look for a disk device: a name without a folder lives in
// the server's default backup folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "path_map.h"

namespace testserver {

std::string BackupDevicePath(const std::string& disk);

struct BackupDevice {
  std::string disk;            // the device as the server names it in messages
  std::filesystem::path file;  // where it lives on this machine
};

// The readable file behind the device a RESTORE names; throws SqlError 3201 then 3013
// ("`what` is terminating abnormally") when there is none.
BackupDevice OpenBackupDevice(const PathMap& paths, const std::string& written,
                              std::string_view what);

}  // namespace testserver
