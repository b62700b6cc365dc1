#pragma once

#include <string>

namespace harrowlander {

// The query that tells the server's release and edition, in the columns "version"
// (SERVERPROPERTY('ProductVersion'): "10.50.1600.1"), "engine"
// (SERVERPROPERTY('EngineEdition'): 2 Standard, Web and the like, 3 Enterprise,
// Developer and Evaluation, 4 Express, 5 and on the cloud's) and "edition"
// (SERVERPROPERTY('Edition'): "Standard Edition (64-bit)").
extern const char* const kServerReleaseQuery;

// Whether a server of that release and edition takes BACKUP ... WITH COMPRESSION: SQL
// Server 2008 (10.0) in its Enterprise engine, 2008 R2 (10.50) and later in the Standard
// and Enterprise engines, though not the Web edition, which shares Standard's.
bool CompressesBackups(const std::string& productVersion, const std::string& engineEdition,
                       const std::string& edition);

}  // namespace harrowlander
