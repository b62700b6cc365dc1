#include "faults.h"

namespace testserver {

bool Faults::Parse(const std::string& value, bool withValue, Rule& rule) {
  std::string pattern = value;
  if (withValue) {
    size_t comma = value.find(',');
    if (comma == std::string::npos || comma == 0) {
      return false;
    }
    try {
      rule.value = std::stoi(value.substr(0, comma));
    } catch (const std::exception&) {
      return false;
    }
    pattern = value.substr(comma + 1);
  }
  try {
    rule.pattern = std::regex(pattern, std::regex::ECMAScript | std::regex::icase);
  } catch (const std::regex_error&) {
    return false;
  }
  return true;
}

bool Faults::AddDelay(const std::string& value) {
  Rule rule;
  return Parse(value, true, rule) && (m_delays.push_back(rule), true);
}
bool Faults::AddFailure(const std::string& value) {
  Rule rule;
  return Parse(value, true, rule) && (m_failures.push_back(rule), true);
}
bool Faults::AddDrop(const std::string& value) {
  Rule rule;
  return Parse(value, false, rule) && (m_drops.push_back(rule), true);
}

const Faults::Rule* Faults::Match(const std::vector<Rule>& rules, const std::string& batch) {
  for (const Rule& rule : rules) {
    if (std::regex_search(batch, rule.pattern)) {
      return &rule;
    }
  }
  return nullptr;
}

int Faults::DelayMsFor(const std::string& batch) const {
  const Rule* rule = Match(m_delays, batch);
  return rule ? rule->value : 0;
}
std::optional<Faults::Failure> Faults::FailureFor(const std::string& batch) const {
  const Rule* rule = Match(m_failures, batch);
  return rule ? std::optional<Failure>(Failure{rule->value, rule->text}) : std::nullopt;
}

bool Faults::SetLastFailureText(const std::string& text) {
  if (m_failures.empty()) {
    return false;
  }
  m_failures.back().text = text;
  return true;
}
bool Faults::DropFor(const std::string& batch) const {
  return Match(m_drops, batch) != nullptr;
}

}  // namespace testserver
