// Fault switches for tests: statements matching a pattern (ECMAScript regular
// expression, searched without regard to case) are delayed, failed, cut off or frozen,
// damage a file of the server once they have run, or run out of disk part-way.
#pragma once

#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "path_map.h"

namespace testserver {

class Faults {
 public:
  // "MILLISECONDS,PATTERN", "ERROR-NUMBER,PATTERN", "PATTERN"; false for a malformed value.
  bool AddDelay(const std::string& value);
  bool AddFailure(const std::string& value);
  bool AddDrop(const std::string& value);
  bool AddFreeze(const std::string& value);
  // "PATTERN,SERVER-PATH,BYTES" and "PATTERN,SERVER-PATH", read from the right, so the
  // pattern may hold commas and the path may not.
  bool AddTruncateAfter(const std::string& value);
  bool AddReplaceAfter(const std::string& value);
  // "PATTERN,BYTES", read from the right likewise.
  bool AddFailPartway(const std::string& value);
  // The text of the error the last added failure answers with; false when none was added.
  bool SetLastFailureText(const std::string& text);
  void RefuseLogins() { m_refuseLogins = true; }

  int DelayMsFor(const std::string& batch) const;
  struct Failure {
    int number = 0;
    std::string text;  // empty: a generic text naming the number
  };
  std::optional<Failure> FailureFor(const std::string& batch) const;
  bool DropFor(const std::string& batch) const;
  bool FreezeFor(const std::string& batch) const;
  // The size a matching batch's BACKUP DATABASE leaves its file at before it fails.
  std::optional<uint64_t> FailPartwayFor(const std::string& batch) const;
  bool LoginsRefused() const { return m_refuseLogins; }

  // Truncates or replaces the files of every damage rule `batch` matches.
  void DamageFilesAfter(const std::string& batch, const PathMap& paths) const;

 private:
  struct Rule {
    std::regex pattern;
    int value = 0;
    std::string text;
  };
  struct Damage {
    std::regex pattern;
    std::string serverPath;
    std::optional<uint64_t> truncateTo;  // nullopt: replace the content
  };
  static bool Parse(const std::string& value, bool withValue, Rule& rule);
  static bool Compile(const std::string& pattern, std::regex& into);
  static const Rule* Match(const std::vector<Rule>& rules, const std::string& batch);

  std::vector<Rule> m_delays, m_failures, m_drops, m_freezes;
  std::vector<Damage> m_damages;
  std::vector<Damage> m_partway;  // truncateTo always set
  bool m_refuseLogins = false;
};

}  // namespace testserver
