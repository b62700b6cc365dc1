// The statements this server understands, as parsed from a batch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace testserver::sql {

// db.owner.object; missing parts are empty ("master..sysdatabases" leaves owner empty).
struct ObjectName {
  std::string database;
  std::string owner;
  std::string object;
  std::string written;  // as the statement spelled it, for error messages
};

struct Operand {
  enum class Kind {
    String,
    Number,
    DbIdOf,
    Column,
    Variable,
    CountAll,
    ServerProperty
  } kind = Kind::String;
  std::string text;  // literal text, function argument, column or variable name
  int64_t number = 0;
};

struct Condition {
  enum class Kind { And, Or, Not, Like, Compare, In } kind = Kind::Compare;
  std::string op;  // for Compare: =, <>, !=, <, >, <=, >=
  Operand left;
  std::vector<Operand> values;
  std::vector<Condition> children;
};

struct SelectStatement {
  std::vector<Operand> columns;      // Column "*" selects all
  std::vector<std::string> aliases;  // per column: the name given with AS, or empty
  std::optional<ObjectName> from;
  std::optional<Condition> where;
  std::optional<std::string> orderBy;
  bool descending = false;
};

struct UseStatement {
  std::string database;
};

struct SetStatement {};

// DECLARE @name type [, ...]: variables that live until the end of the batch.
struct DeclareStatement {
  struct Variable {
    std::string name;  // with its @
    std::string type;  // the type's name, without length
  };
  std::vector<Variable> variables;
};

struct BackupDatabaseStatement {
  std::string database;
  std::string disk;
  bool init = false;
  std::optional<int> stats;  // WITH STATS [= n]: report progress every n percent
  bool checksum = false;     // WITH CHECKSUM (NO_CHECKSUM, the default, clears it)
  bool copyOnly = false;     // WITH COPY_ONLY
  bool compression = false;  // WITH COMPRESSION
};

struct BackupLogStatement {
  std::string database;
  bool noLog = false;       // WITH NO_LOG or TRUNCATE_ONLY
  std::string noLogOption;  // which of the two, in lower case
  std::optional<std::string> disk;
};

struct RestoreFileListStatement {
  std::string disk;
};

struct RestoreVerifyStatement {
  std::string disk;
  bool checksum = false;  // WITH CHECKSUM: the set must carry backup checksums
};

struct RestoreDatabaseStatement {
  std::string database;
  std::string disk;
  std::vector<std::pair<std::string, std::string>> moves;  // logical name, new path
  bool replace = false;
  std::optional<int> stats;
  bool checksum = false;
};

struct DropDatabaseStatement {
  std::vector<std::string> databases;
};

struct DropTableStatement {
  std::vector<ObjectName> tables;
};

struct ShrinkDatabaseStatement {
  std::string database;
  std::optional<int64_t> databaseId;
  int64_t targetPercent = 0;
  bool noInfoMessages = false;  // WITH NO_INFOMSGS: no closing DBCC message
};

// DBCC CHECKDB [(database [, NOINDEX])] [WITH NO_INFOMSGS, ALL_ERRORMSGS, ...]; without
// a database it checks the session's current one.
struct CheckDbStatement {
  std::string database;
  std::optional<int64_t> databaseId;
  bool noInfoMessages = false;  // only errors and the summary of a database with errors
};

struct ExecStatement {
  ObjectName procedure;
  std::vector<Operand> arguments;
  std::vector<std::string> parameterNames;  // per argument: "@name" when passed by name, or empty
  std::string returnVariable;               // EXEC @v = proc: receives the return status
};

using Statement =
    std::variant<SelectStatement, UseStatement, SetStatement, DeclareStatement,
                 BackupDatabaseStatement, BackupLogStatement, RestoreFileListStatement,
                 RestoreVerifyStatement, RestoreDatabaseStatement, DropDatabaseStatement,
                 DropTableStatement, ShrinkDatabaseStatement, CheckDbStatement, ExecStatement>;

}  // namespace testserver::sql
