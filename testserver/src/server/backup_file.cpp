#include "backup_file.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "../text.h"

namespace testserver {

namespace {

namespace fs = std::filesystem;

constexpr char kMagic[8] = {'H', 'L', 'T', 'S', 'B', 'S', 'E', 'T'};
constexpr uint64_t kMaxHeaderBytes = uint64_t{1} << 20;
constexpr const char* kChecksumKey = "checksum=";

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

uint32_t Checksum(std::string_view header, const std::vector<uint8_t>& data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(header.data()), static_cast<uInt>(header.size()));
  // zlib takes at most 4 GB a call.
  for (size_t done = 0; done < data.size();) {
    size_t chunk = std::min<size_t>(data.size() - done, 1u << 30);
    crc = crc32(crc, data.data() + done, static_cast<uInt>(chunk));
    done += chunk;
  }
  return static_cast<uint32_t>(crc);
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
  h << "with-checksum=" << (set.withChecksum ? 1 : 0) << "\ncopy-only=" << (set.copyOnly ? 1 : 0)
    << '\n';
  return h.str();
}

// The header as read: its fields, and the checksum line taken apart from the lines it covers.
struct ParsedHeader {
  std::string covered;
  std::optional<uint32_t> checksum;
  std::optional<uint64_t> inflatedBytes;  // a compressed set's
};

// The stored image of a compressed set back as it was; nothing when it does not inflate
// to the length its header names.
std::optional<std::vector<uint8_t>> Inflated(const std::vector<uint8_t>& stored, uint64_t bytes) {
  if (bytes > (uint64_t{1} << 34)) {
    return std::nullopt;
  }
  std::vector<uint8_t> data(bytes);
  uLongf length = static_cast<uLongf>(bytes);
  if (uncompress(data.data(), &length, stored.data(), static_cast<uLong>(stored.size())) != Z_OK ||
      length != bytes) {
    return std::nullopt;
  }
  return data;
}

bool ParseHeader(const std::string& text, BackupSet& set, ParsedHeader& parsed) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(kChecksumKey, 0) == 0) {
      std::string hex = line.substr(std::strlen(kChecksumKey));
      if (hex.size() != 8 || hex.find_first_not_of("0123456789abcdef") != std::string::npos) {
        return false;
      }
      parsed.checksum = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
      continue;
    }
    parsed.covered += line + '\n';
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      return false;
    }
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "database") {
      set.database = value;
    } else if (key == "created") {
      set.created = value;
    } else if (key == "with-checksum") {
      set.withChecksum = value == "1";
    } else if (key == "copy-only") {
      set.copyOnly = value == "1";
    } else if (key == "compressed") {
      try {
        parsed.inflatedBytes = std::stoull(value);
      } catch (const std::exception&) {
        return false;
      }
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

// Reads sets one after the other; every length is checked against what the file holds
// before anything is allocated for it.
class SetReader {
 public:
  explicit SetReader(const fs::path& file) : m_in(file, std::ios::binary) {
    std::error_code ec;
    m_size = fs::file_size(file, ec);
    m_ok = m_in && !ec;
  }

  bool Ok() const { return m_ok; }
  bool AtEnd() { return m_in.peek() == std::char_traits<char>::eof(); }

  // The next set's header; `dataSize` says how many data bytes follow it.
  bool Header(BackupSet& set, ParsedHeader& parsed, uint64_t& dataSize) {
    char magic[sizeof kMagic];
    uint64_t headerSize = 0;
    if (!m_in.read(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0 ||
        !GetLe(m_in, headerSize, 4) || headerSize > kMaxHeaderBytes || headerSize > Remaining()) {
      return false;
    }
    std::string header(headerSize, '\0');
    return m_in.read(header.data(), static_cast<std::streamsize>(headerSize)) &&
           ParseHeader(header, set, parsed) && GetLe(m_in, dataSize, 8);
  }

  bool Data(uint64_t dataSize, std::vector<uint8_t>& data) {
    if (dataSize > Remaining()) {
      return false;
    }
    data.resize(dataSize);
    return static_cast<bool>(
        m_in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(dataSize)));
  }

 private:
  uint64_t Remaining() {
    auto at = m_in.tellg();
    return at < 0 || static_cast<uint64_t>(at) > m_size ? 0 : m_size - static_cast<uint64_t>(at);
  }

  std::ifstream m_in;
  uint64_t m_size = 0;
  bool m_ok = false;
};

}  // namespace

bool WriteBackupSet(const fs::path& file, const BackupSet& set, bool init) {
  std::string header = Header(set);
  std::vector<uint8_t> deflated;
  if (set.compressed) {
    uLongf length = compressBound(static_cast<uLong>(set.data.size()));
    deflated.resize(length);
    if (compress2(deflated.data(), &length, set.data.data(), static_cast<uLong>(set.data.size()),
                  Z_BEST_SPEED) != Z_OK) {
      return false;
    }
    deflated.resize(length);
    header += Format("compressed=%llu\n", static_cast<unsigned long long>(set.data.size()));
  }
  const std::vector<uint8_t>& stored = set.compressed ? deflated : set.data;
  header += Format("%s%08x\n", kChecksumKey, Checksum(header, stored));
  std::string record(kMagic, sizeof kMagic);
  PutLe(record, header.size(), 4);
  record += header;
  PutLe(record, stored.size(), 8);
  std::ofstream out(file, std::ios::binary | (init ? std::ios::trunc : std::ios::app));
  if (!out) {
    return false;
  }
  out.write(record.data(), static_cast<std::streamsize>(record.size()));
  out.write(reinterpret_cast<const char*>(stored.data()),
            static_cast<std::streamsize>(stored.size()));
  return static_cast<bool>(out.flush());
}

namespace {

// The next set of `reader`, read whole and checked.
std::optional<BackupSet> NextWholeSet(SetReader& reader) {
  BackupSet set;
  ParsedHeader parsed;
  uint64_t dataSize = 0;
  if (!reader.Header(set, parsed, dataSize) || !reader.Data(dataSize, set.data)) {
    return std::nullopt;
  }
  if (parsed.checksum && *parsed.checksum != Checksum(parsed.covered, set.data)) {
    return std::nullopt;
  }
  if (parsed.inflatedBytes) {
    std::optional<std::vector<uint8_t>> inflated = Inflated(set.data, *parsed.inflatedBytes);
    if (!inflated) {
      return std::nullopt;
    }
    set.data = std::move(*inflated);
    set.compressed = true;
  }
  return set;
}

}  // namespace

std::optional<std::vector<BackupSet>> ReadBackupSets(const fs::path& file) {
  SetReader reader(file);
  if (!reader.Ok()) {
    return std::nullopt;
  }
  std::vector<BackupSet> sets;
  while (!reader.AtEnd()) {
    auto set = NextWholeSet(reader);
    if (!set) {
      return std::nullopt;
    }
    sets.push_back(std::move(*set));
  }
  if (sets.empty()) {
    return std::nullopt;
  }
  return sets;
}

std::optional<BackupSet> ReadFirstSetHeader(const fs::path& file) {
  SetReader reader(file);
  BackupSet set;
  ParsedHeader parsed;
  uint64_t dataSize = 0;
  if (!reader.Ok() || !reader.Header(set, parsed, dataSize)) {
    return std::nullopt;
  }
  return set;
}

std::optional<BackupSet> ReadFirstSet(const fs::path& file) {
  SetReader reader(file);
  if (!reader.Ok()) {
    return std::nullopt;
  }
  return NextWholeSet(reader);
}

}  // namespace testserver
