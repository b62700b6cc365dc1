#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/system_info.h"

namespace harrowlander {

// The file names of backups taken into a folder: a pattern with the tokens {database},
// {server}, {date} (yyyyMMdd) and {time} (HHmmss, local time), and the way back from a
// name to the database and moment it was made for, which retention relies on.
inline constexpr const char* kDefaultBackupNamePattern = "{database}_{date}_{time}.bak";

// A database or server name as it goes into a file name: each byte that no file name may
// hold on either system (\ / : * ? " < > | and the control characters), the escape '%'
// itself, a leading '.' and a trailing '.' or blank become '%' and two upper-case hex
// digits ("Sales/EU" -> "Sales%2FEU"). Every other byte, UTF-8 included, stays.
// Different names never give the same text.
std::string SafeFileNamePart(const std::string& name);

class BackupNamePattern {
 public:
  // Empty when `pattern` is usable, else what is wrong with it: an unknown or unclosed
  // token, a folder separator, a token given twice, no {database}.
  static std::string Problem(const std::string& pattern);
  // A usable pattern (see Problem).
  explicit BackupNamePattern(const std::string& pattern);

  // Whether names can be dated back: the pattern holds both {date} and {time}.
  bool IsDated() const;
  // The file name for a backup of `database` on `server` made at `when`.
  std::string NameFor(const std::string& database, const std::string& server,
                      const LocalTime& when) const;
  // The moment a file of this pattern was made for exactly this database and server:
  // every literal piece and name must match byte for byte, {date} exactly eight digits
  // of a real date and {time} exactly six of a real time. Nothing for any other name
  // (another database's, another pattern's); nothing when the pattern is not dated.
  std::optional<LocalTime> MadeAt(const std::string& fileName, const std::string& database,
                                  const std::string& server) const;

 private:
  enum class Kind { kText, kDatabase, kServer, kDate, kTime };
  struct Piece {
    Kind kind;
    std::string text;  // kText's
  };
  std::vector<Piece> m_pieces;
};

// How many of a database's backups in its folder to keep; unset rules keep everything.
struct RetentionRule {
  std::optional<int> keepNewest;  // at least 1
  std::optional<int> keepDays;    // at least 1
};

// Of the names in the folder, the older backups of `database` to delete now that its
// backup `newFile` is complete and verified, oldest first. A file goes only when every
// rule given lets it go: it is not among the newest `keepNewest` (`newFile` counted
// first) and is older than `keepDays` days before `now`. Only names the pattern reads
// back for this database and server are considered (never their .sha256, which follows
// its file), `newFile` is never chosen, and nothing at all when `newFile` is not among
// the names or no rule is given.
std::vector<std::string> ChooseBackupsToDelete(const std::vector<std::string>& namesInFolder,
                                               const BackupNamePattern& pattern,
                                               const std::string& database,
                                               const std::string& server,
                                               const std::string& newFile,
                                               const RetentionRule& rule, const LocalTime& now);

}  // namespace harrowlander
