#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ports/sql_connection.h"

namespace harrowlander {

// A file of the backup, as its file list gives it.
struct BackupFile {
  std::string logicalName;
  std::string physicalName;
  std::string type;  // "D" data, "L" log
};

// Where the restore puts one file of the backup.
struct RestoreTarget {
  std::string logicalName;
  std::string physicalName;
};

// The backup's file list (RESTORE FILELISTONLY), every row.
std::vector<BackupFile> ReadBackupFileList(SqlConnection& connection,
                                           const std::string& serverBackupPath);

// The new files of the database, chosen by type, not by position: the first data file
// becomes <database>.Mdf and the first log file <database>.Ldf, each in its own folder
// or, when given, in the data directory; every further data file <database>_<n>.ndf
// beside the .Mdf, every further log file <database>_log<n>.Ldf beside the .Ldf. The
// data file comes first and the log file second. Empty when the list has no data or no
// log file.
std::vector<RestoreTarget> ChooseRestoreTargets(const std::vector<BackupFile>& files,
                                                const std::string& database,
                                                const std::optional<std::string>& dataDirectory);

// The restore statement of the database from the backup with its new files (the data
// file first, the log file second, as ChooseRestoreTargets gives them).
std::string RestoreStatement(const std::string& database, const std::string& serverBackupPath,
                             const std::vector<RestoreTarget>& targets, bool sameMachine);

// The server's data folder, with its closing backslash: the folder of master's data
// file.
std::string ReadDataDirectory(SqlConnection& connection);

// Every file the server's databases list (master.dbo.sysaltfiles), by path in lower
// case, with the name of the database that lists it.
std::map<std::string, std::string> ReadDatabaseFileOwners(SqlConnection& connection);

// A server path in the form the owners are listed by: ASCII letters in lower case, as
// Windows compares paths.
std::string PathKey(const std::string& path);

}  // namespace harrowlander
