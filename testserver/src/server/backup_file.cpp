#include "backup_file.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace testserver {

namespace {

constexpr char kMagic[8] = {'H', 'L', 'T', 'S', 'B', 'S', 'E', 'T'};

void PutLe(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

bool GetLe(std::istream& in, uint64_t& value, int bytes) {
  unsigned char buffer[8];
  if (!in.read(reinterpret_cast<char*>(buffer), bytes)) {
    return false;
  }
  value = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    value = (value << 8) | buffer[i];
  }
  return true;
}

std::string Header(const BackupSet& set) {
  std::ostringstream h;
  h << "database=" << set.database << "\ncreated=" << set.created << '\n';
  for (size_t i = 0; i < set.files.size(); ++i) {
    const DatabaseFile& f = set.files[i];
    h << "file=" << f.fileId << '\t' << (f.isLog ? 1 : 0) << '\t'
      << (i < set.fileBytes.size() ? set.fileBytes[i] : 0) << '\t' << f.logicalName << '\t'
      << f.physicalName << '\n';
  }
  return h.str();
}

bool ParseHeader(const std::string& text, BackupSet& set) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      return false;
    }
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "database") {
      set.database = value;
    } else if (key == "created") {
      set.created = value;
    } else if (key == "file") {
      std::istringstream fields(value);
      std::string id, isLog, bytes;
      DatabaseFile f;
      if (!std::getline(fields, id, '\t') || !std::getline(fields, isLog, '\t') ||
          !std::getline(fields, bytes, '\t') || !std::getline(fields, f.logicalName, '\t') ||
          !std::getline(fields, f.physicalName)) {
        return false;
      }
      try {
        f.fileId = std::stoi(id);
        set.fileBytes.push_back(std::stoull(bytes));
      } catch (const std::exception&) {
        return false;
      }
      f.isLog = isLog == "1";
      set.files.push_back(f);
    }
  }
  return !set.database.empty() && !set.files.empty();
}

}  // namespace

bool WriteBackupSet(const std::filesystem::path& file, const BackupSet& set, bool init) {
  std::string header = Header(set);
  std::string record(kMagic, sizeof kMagic);
  PutLe(record, header.size(), 4);
  record += header;
  PutLe(record, set.data.size(), 8);
  std::ofstream out(file, std::ios::binary | (init ? std::ios::trunc : std::ios::app));
  if (!out) {
    return false;
  }
  out.write(record.data(), static_cast<std::streamsize>(record.size()));
  out.write(reinterpret_cast<const char*>(set.data.data()),
            static_cast<std::streamsize>(set.data.size()));
  return static_cast<bool>(out.flush());
}

std::optional<std::vector<BackupSet>> ReadBackupSets(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::vector<BackupSet> sets;
  for (;;) {
    char magic[sizeof kMagic];
    if (!in.read(magic, sizeof magic)) {
      break;
    }
    uint64_t headerSize = 0, dataSize = 0;
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0 || !GetLe(in, headerSize, 4) ||
        headerSize > (1u << 20)) {
      return std::nullopt;
    }
    std::string header(headerSize, '\0');
    BackupSet set;
    if (!in.read(header.data(), static_cast<std::streamsize>(headerSize)) ||
        !ParseHeader(header, set) || !GetLe(in, dataSize, 8) || dataSize > (1ull << 34)) {
      return std::nullopt;
    }
    set.data.resize(dataSize);
    if (!in.read(reinterpret_cast<char*>(set.data.data()),
                 static_cast<std::streamsize>(dataSize))) {
      return std::nullopt;
    }
    sets.push_back(std::move(set));
  }
  if (sets.empty()) {
    return std::nullopt;
  }
  return sets;
}

}  // namespace testserver
