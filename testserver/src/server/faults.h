// Fault switches for tests: statements matching a pattern (ECMAScript regular
// expression, searched without regard to case) are delayed, failed or cut off.
#pragma once

#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace testserver {

class Faults {
 public:
  // "MILLISECONDS,PATTERN", "ERROR-NUMBER,PATTERN", "PATTERN"; false for a malformed value.
  bool AddDelay(const std::string& value);
  bool AddFailure(const std::string& value);
  bool AddDrop(const std::string& value);
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
  bool LoginsRefused() const { return m_refuseLogins; }

 private:
  struct Rule {
    std::regex pattern;
    int value = 0;
    std::string text;
  };
  static bool Parse(const std::string& value, bool withValue, Rule& rule);
  static const Rule* Match(const std::vector<Rule>& rules, const std::string& batch);

  std::vector<Rule> m_delays, m_failures, m_drops;
  bool m_refuseLogins = false;
};

}  // namespace testserver
