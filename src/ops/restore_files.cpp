#include "ops/restore_files.h"

#include <cctype>
#include <memory>

#include "res/format_text.h"
#include "sql/server_connection.h"
#include "sql/server_progress.h"
#include "sql/sql_escape.h"

namespace harrowlander {
namespace {

// A server path up to and including its last backslash; empty when it has none.
std::string ServerDirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string TrimmedRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);  // the catalog's columns are fixed width
  return text;
}

}  // namespace

std::vector<BackupFile> ReadBackupFileList(SqlConnection& connection,
                                           const std::string& serverBackupPath) {
  std::unique_ptr<SqlRecordset> rows = sql::ExecuteForRows(
      connection,
      FormatText("RESTORE FILELISTONLY from disk=%s", {sql::Literal(serverBackupPath)}));
  std::vector<BackupFile> files;
  for (rows->MoveFirst(); !rows->IsEof(); rows->MoveNext()) {
    files.push_back({sql::ReadColumnText(*rows, "LogicalName"),
                     sql::ReadColumnText(*rows, "PhysicalName"),
                     TrimmedRight(sql::ReadColumnText(*rows, "Type"))});
  }
  rows->Close();
  return files;
}

std::vector<RestoreTarget> ChooseRestoreTargets(const std::vector<BackupFile>& files,
                                                const std::string& database,
                                                const std::optional<std::string>& dataDirectory) {
  const BackupFile* data = nullptr;
  const BackupFile* log = nullptr;
  for (const BackupFile& file : files) {
    if (file.type == "D" && data == nullptr) {
      data = &file;
    } else if (file.type == "L" && log == nullptr) {
      log = &file;
    }
  }
  if (data == nullptr || log == nullptr) {
    return {};
  }
  const std::string dataFolder =
      dataDirectory ? *dataDirectory : ServerDirectoryOf(data->physicalName);
  const std::string logFolder =
      dataDirectory ? *dataDirectory : ServerDirectoryOf(log->physicalName);
  std::vector<RestoreTarget> targets = {{data->logicalName, dataFolder + database + ".Mdf"},
                                        {log->logicalName, logFolder + database + ".Ldf"}};
  int moreData = 0;
  int moreLogs = 0;
  for (const BackupFile& file : files) {
    if (&file == data || &file == log) {
      continue;
    }
    if (file.type == "L") {
      targets.push_back(
          {file.logicalName, logFolder + database + "_log" + std::to_string(++moreLogs) + ".Ldf"});
    } else {
      targets.push_back(
          {file.logicalName, dataFolder + database + "_" + std::to_string(++moreData) + ".ndf"});
    }
  }
  return targets;
}

std::string PathKey(const std::string& path) {
  std::string key = TrimmedRight(path);
  for (char& c : key) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return key;
}

std::map<std::string, std::string> ReadDatabaseFileOwners(SqlConnection& connection) {
  std::map<std::string, std::string> databaseById;
  {
    std::unique_ptr<SqlRecordset> rows =
        sql::ExecuteForRows(connection, "select name, dbid from master.dbo.sysdatabases");
    for (; !rows->IsEof(); rows->MoveNext()) {
      databaseById[sql::ReadColumnText(*rows, "dbid")] = sql::ReadColumnText(*rows, "name");
    }
    rows->Close();
  }
  std::map<std::string, std::string> owners;
  std::unique_ptr<SqlRecordset> rows =
      sql::ExecuteForRows(connection, "select dbid, filename from master.dbo.sysaltfiles");
  for (; !rows->IsEof(); rows->MoveNext()) {
    const std::string dbid = sql::ReadColumnText(*rows, "dbid");
    const auto owner = databaseById.find(dbid);
    owners[PathKey(sql::ReadColumnText(*rows, "filename"))] =
        owner != databaseById.end() ? owner->second : "dbid " + dbid;
  }
  rows->Close();
  return owners;
}

// Both forms keep their own spacing; every file after the log file adds one more move.
std::string RestoreStatement(const std::string& database, const std::string& serverBackupPath,
                             const std::vector<RestoreTarget>& targets, bool sameMachine) {
  std::string statement = FormatText(
      sameMachine ? "restore database [%s] from disk=%s with move %s to %s ,move %s to %s"
                  : "restore database [%s] from disk=%s WITH  move %s to %s,move %s to %s",
      {sql::EscapeName(database), sql::Literal(serverBackupPath),
       sql::Literal(targets[0].logicalName), sql::Literal(targets[0].physicalName),
       sql::Literal(targets[1].logicalName), sql::Literal(targets[1].physicalName)});
  for (size_t i = 2; i < targets.size(); ++i) {
    statement +=
        FormatText(sameMachine ? " ,move %s to %s" : ",move %s to %s",
                   {sql::Literal(targets[i].logicalName), sql::Literal(targets[i].physicalName)});
  }
  // The server reports each percent it has restored.
  return statement + (sameMachine ? " ," : ",") + sql::kProgressOption;
}

std::string ReadDataDirectory(SqlConnection& connection) {
  std::unique_ptr<SqlRecordset> rows =
      sql::ExecuteForRows(connection, "select filename from dbo.sysdatabases where name='master'");
  const std::string masterFile = sql::ReadColumnText(*rows, "filename");
  rows->Close();
  const std::size_t slash = masterFile.rfind('\\');
  return slash == std::string::npos ? masterFile : masterFile.substr(0, slash + 1);
}

}  // namespace harrowlander
