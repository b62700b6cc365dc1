#include "ops/backup_naming.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace harrowlander {
namespace {

constexpr const char* kTokens[] = {"{database}", "{server}", "{date}", "{time}"};

bool IsUnsafeByte(unsigned char c) {
  return c < 0x20 || c == 0x7F ||
         std::string_view("\\/:*?\"<>|%").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string Escaped(unsigned char c) {
  char text[4];
  std::snprintf(text, sizeof text, "%%%02X", c);
  return text;
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DayNumber(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

std::int64_t SecondsOf(const LocalTime& t) {
  return DayNumber(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

// `count` digits at `at`, as a number; nothing when any is not a digit.
std::optional<int> Digits(const std::string& text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) {
    return std::nullopt;
  }
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return std::nullopt;
    }
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

}  // namespace

std::string SafeFileNamePart(const std::string& name) {
  std::string safe;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const bool leadingDot = i == 0 && c == '.';
    const bool trailing = i + 1 == name.size() && (c == '.' || c == ' ');
    if (IsUnsafeByte(c) || leadingDot || trailing) {
      safe += Escaped(c);
    } else {
      safe += static_cast<char>(c);
    }
  }
  return safe;
}

std::string BackupNamePattern::Problem(const std::string& pattern) {
  if (pattern.find_first_of("/\\") != std::string::npos) {
    return "a name holds no folder: give the folder with --to-dir";
  }
  int seen[4] = {0, 0, 0, 0};
  for (std::size_t at = 0; at < pattern.size();) {
    if (pattern[at] == '}') {
      return "'}' without its '{'";
    }
    if (pattern[at] != '{') {
      ++at;
      continue;
    }
    bool known = false;
    for (int t = 0; t < 4; ++t) {
      const std::string_view token = kTokens[t];
      if (pattern.compare(at, token.size(), token) == 0) {
        if (++seen[t] > 1) {
          return std::string(token) + " given twice";
        }
        at += token.size();
        known = true;
        break;
      }
    }
    if (!known) {
      const std::size_t end = pattern.find('}', at);
      return end == std::string::npos ? std::string("'{' without its '}'")
                                      : "unknown token " + pattern.substr(at, end - at + 1) +
                                            " (known: {database} {server} {date} {time})";
    }
  }
  if (seen[0] == 0) {
    return "the name must hold {database}";
  }
  return {};
}

BackupNamePattern::BackupNamePattern(const std::string& pattern) {
  std::string text;
  for (std::size_t at = 0; at < pattern.size();) {
    bool token = false;
    for (int t = 0; t < 4; ++t) {
      const std::string_view name = kTokens[t];
      if (pattern.compare(at, name.size(), name) == 0) {
        if (!text.empty()) {
          m_pieces.push_back({Kind::kText, text});
          text.clear();
        }
        m_pieces.push_back({static_cast<Kind>(t + 1), {}});
        at += name.size();
        token = true;
        break;
      }
    }
    if (!token) {
      text += pattern[at++];
    }
  }
  if (!text.empty()) {
    m_pieces.push_back({Kind::kText, text});
  }
}

bool BackupNamePattern::IsDated() const {
  const auto has = [this](Kind kind) {
    return std::any_of(m_pieces.begin(), m_pieces.end(),
                       [kind](const Piece& piece) { return piece.kind == kind; });
  };
  return has(Kind::kDate) && has(Kind::kTime);
}

std::string BackupNamePattern::NameFor(const std::string& database, const std::string& server,
                                       const LocalTime& when) const {
  std::string name;
  for (const Piece& piece : m_pieces) {
    switch (piece.kind) {
      case Kind::kText:
        name += piece.text;
        break;
      case Kind::kDatabase:
        name += SafeFileNamePart(database);
        break;
      case Kind::kServer:
        name += SafeFileNamePart(server);
        break;
      case Kind::kDate:
        name += std::to_string(when.year) + TwoDigits(when.month) + TwoDigits(when.day);
        break;
      case Kind::kTime:
        name += TwoDigits(when.hour) + TwoDigits(when.minute) + TwoDigits(when.second);
        break;
    }
  }
  return name;
}

std::optional<LocalTime> BackupNamePattern::MadeAt(const std::string& fileName,
                                                   const std::string& database,
                                                   const std::string& server) const {
  if (!IsDated()) {
    return std::nullopt;
  }
  LocalTime made;
  std::size_t at = 0;
  const auto literal = [&](const std::string& text) {
    if (fileName.compare(at, text.size(), text) != 0) {
      return false;
    }
    at += text.size();
    return true;
  };
  for (const Piece& piece : m_pieces) {
    switch (piece.kind) {
      case Kind::kText:
        if (!literal(piece.text)) {
          return std::nullopt;
        }
        break;
      case Kind::kDatabase:
        if (!literal(SafeFileNamePart(database))) {
          return std::nullopt;
        }
        break;
      case Kind::kServer:
        if (!literal(SafeFileNamePart(server))) {
          return std::nullopt;
        }
        break;
      case Kind::kDate: {
        const auto year = Digits(fileName, at, 4);
        const auto month = Digits(fileName, at + 4, 2);
        const auto day = Digits(fileName, at + 6, 2);
        if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1 ||
            *day > DaysInMonth(*year, *month)) {
          return std::nullopt;
        }
        made.year = *year;
        made.month = *month;
        made.day = *day;
        at += 8;
        break;
      }
      case Kind::kTime: {
        const auto hour = Digits(fileName, at, 2);
        const auto minute = Digits(fileName, at + 2, 2);
        const auto second = Digits(fileName, at + 4, 2);
        if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
          return std::nullopt;
        }
        made.hour = *hour;
        made.minute = *minute;
        made.second = *second;
        at += 6;
        break;
      }
    }
  }
  if (at != fileName.size()) {
    return std::nullopt;
  }
  return made;
}

std::vector<std::string> ChooseBackupsToDelete(const std::vector<std::string>& namesInFolder,
                                               const BackupNamePattern& pattern,
                                               const std::string& database,
                                               const std::string& server,
                                               const std::string& newFile,
                                               const RetentionRule& rule, const LocalTime& now) {
  if ((!rule.keepNewest && !rule.keepDays) ||
      std::find(namesInFolder.begin(), namesInFolder.end(), newFile) == namesInFolder.end()) {
    return {};
  }
  // This database's older backups, newest first.
  std::vector<std::tuple<std::int64_t, std::string>> older;
  for (const std::string& name : namesInFolder) {
    if (name == newFile) {
      continue;
    }
    if (const std::optional<LocalTime> made = pattern.MadeAt(name, database, server)) {
      older.emplace_back(SecondsOf(*made), name);
    }
  }
  std::sort(older.begin(), older.end(), std::greater<>());

  const std::int64_t nowSeconds = SecondsOf(now);
  std::vector<std::string> chosen;
  for (std::size_t i = 0; i < older.size(); ++i) {
    const auto& [made, name] = older[i];
    // The new file is the newest kept: the older ones count from the second place.
    const bool beyondNewest =
        !rule.keepNewest || i + 1 >= static_cast<std::size_t>(*rule.keepNewest);
    const bool tooOld =
        !rule.keepDays || nowSeconds - made > static_cast<std::int64_t>(*rule.keepDays) * 86400;
    if (beyondNewest && tooOld) {
      chosen.push_back(name);
    }
  }
  std::reverse(chosen.begin(), chosen.end());
  return chosen;
}

}  // namespace harrowlander
