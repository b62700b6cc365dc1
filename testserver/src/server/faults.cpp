#include "faults.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace testserver {

namespace fs = std::filesystem;

namespace {

// Splits "rest,last" at the last comma; false when there is none or either side is empty.
bool SplitLast(const std::string& value, std::string& rest, std::string& last) {
  size_t comma = value.rfind(',');
  if (comma == std::string::npos || comma == 0 || comma + 1 == value.size()) {
    return false;
  }
  rest = value.substr(0, comma);
  last = value.substr(comma + 1);
  return true;
}

bool ParseSize(const std::string& text, std::optional<uint64_t>& into) {
  if (text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  try {
    into = std::stoull(text);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

// What a replaced backup holds instead: the old bytes inverted, then 64 KB more, so
// both its content and its size differ from what was there.
void Replace(const fs::path& file) {
  std::string content;
  {
    std::ifstream in(file, std::ios::binary);
    content.assign(std::istreambuf_iterator<char>(in), {});
  }
  for (char& c : content) {
    c = static_cast<char>(~c);
  }
  content.append(64 * 1024, 'Z');
  // In place, so that a reader holding the file open sees the new content.
  std::ofstream out(file, std::ios::binary | std::ios::in | std::ios::out);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

}  // namespace

bool Faults::Compile(const std::string& pattern, std::regex& into) {
  try {
    into = std::regex(pattern, std::regex::ECMAScript | std::regex::icase);
  } catch (const std::regex_error&) {
    return false;
  }
  return true;
}

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
  return Compile(pattern, rule.pattern);
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
bool Faults::AddFreeze(const std::string& value) {
  Rule rule;
  return !value.empty() && Parse(value, false, rule) && (m_freezes.push_back(rule), true);
}

bool Faults::AddTruncateAfter(const std::string& value) {
  std::string rest, bytes, pattern, path;
  Damage damage;
  if (!SplitLast(value, rest, bytes) || !SplitLast(rest, pattern, path) ||
      !ParseSize(bytes, damage.truncateTo)) {
    return false;
  }
  damage.serverPath = path;
  return Compile(pattern, damage.pattern) && (m_damages.push_back(damage), true);
}

bool Faults::AddFailPartway(const std::string& value) {
  std::string pattern, bytes;
  Damage damage;
  if (!SplitLast(value, pattern, bytes) || !ParseSize(bytes, damage.truncateTo) ||
      !Compile(pattern, damage.pattern)) {
    return false;
  }
  m_partway.push_back(damage);
  return true;
}

bool Faults::AddReplaceAfter(const std::string& value) {
  std::string pattern, path;
  Damage damage;
  if (!SplitLast(value, pattern, path) || !Compile(pattern, damage.pattern)) {
    return false;
  }
  damage.serverPath = path;
  m_damages.push_back(damage);
  return true;
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
bool Faults::FreezeFor(const std::string& batch) const {
  return Match(m_freezes, batch) != nullptr;
}
std::optional<uint64_t> Faults::FailPartwayFor(const std::string& batch) const {
  for (const Damage& rule : m_partway) {
    if (std::regex_search(batch, rule.pattern)) {
      return rule.truncateTo;
    }
  }
  return std::nullopt;
}

void Faults::DamageFilesAfter(const std::string& batch, const PathMap& paths) const {
  for (const Damage& damage : m_damages) {
    auto file = paths.Map(damage.serverPath);
    std::error_code ec;
    if (!file || !std::regex_search(batch, damage.pattern) || !fs::is_regular_file(*file, ec)) {
      continue;
    }
    if (!damage.truncateTo) {
      Replace(*file);
    } else if (*damage.truncateTo < fs::file_size(*file, ec)) {
      fs::resize_file(*file, *damage.truncateTo, ec);
    }
  }
}

}  // namespace testserver
