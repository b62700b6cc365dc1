#include "ops/backup_compression.h"

#include <cstdio>

namespace harrowlander {

const char* const kServerReleaseQuery =
    "select convert(varchar(32), serverproperty('ProductVersion')) as version, "
    "convert(varchar(32), serverproperty('EngineEdition')) as engine, "
    "convert(varchar(128), serverproperty('Edition')) as edition";

bool CompressesBackups(const std::string& productVersion, const std::string& engineEdition,
                       const std::string& edition) {
  int major = 0;
  int minor = 0;
  if (std::sscanf(productVersion.c_str(), "%d.%d", &major, &minor) != 2) {
    return false;
  }
  const bool enterprise = engineEdition == "3";
  const bool standard = engineEdition == "2" && edition.rfind("Web", 0) != 0;
  if (major == 10 && minor < 50) {
    return enterprise;
  }
  return major >= 10 && (enterprise || standard);
}

}  // namespace harrowlander
