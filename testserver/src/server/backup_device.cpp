#include "backup_device.h"

namespace testserver {

std::string BackupDevicePath(const std::string& disk) {
  bool absolute = (disk.size() >= 2 && disk[1] == ':') || disk.rfind("\\\\", 0) == 0 ||
                  (!disk.empty() && disk[0] == '/');
  if (absolute || disk.empty()) {
    return disk;
  }
  return "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\BACKUP\\" + disk;
}

}  // namespace testserver
