#include "backup_device.h"

#include <fstream>

#include "messages.h"

namespace testserver {

namespace fs = std::filesystem;

std::string BackupDevicePath(const std::string& disk) {
  bool absolute = (disk.size() >= 2 && disk[1] == ':') || disk.rfind("\\\\", 0) == 0 ||
                  (!disk.empty() && disk[0] == '/');
  if (absolute || disk.empty()) {
    return disk;
  }
  return "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\BACKUP\\" + disk;
}

BackupDevice OpenBackupDevice(const PathMap& paths, const std::string& written,
                              std::string_view what) {
  std::string disk = BackupDevicePath(written);
  auto file = paths.Map(disk);
  std::error_code ec;
  if (!file || !fs::is_regular_file(*file, ec) || !std::ifstream(*file, std::ios::binary)) {
    throw SqlError({msg::CannotOpenBackupDevice(disk), msg::TerminatingAbnormally(what)});
  }
  return BackupDevice{disk, *file};
}

}  // namespace testserver
