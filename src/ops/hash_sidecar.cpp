#include "ops/hash_sidecar.h"

#include <cctype>

#include "ops/workstation_path.h"
#include "res/format_text.h"
#include "run/run_stopped.h"

namespace harrowlander {

namespace {

constexpr std::size_t kHexDigits = 64;

bool IsHexDigit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// The hash at the start of the sidecar's first line, in small letters; empty when the
// line does not begin with one.
std::string FirstHash(const std::string& content) {
  if (content.size() < kHexDigits) {
    return {};
  }
  std::string hash;
  for (std::size_t i = 0; i < kHexDigits; ++i) {
    if (!IsHexDigit(content[i])) {
      return {};
    }
    hash += static_cast<char>(std::tolower(static_cast<unsigned char>(content[i])));
  }
  // A longer run of digits is another kind of hash.
  if (content.size() > kHexDigits && content[kHexDigits] != ' ' && content[kHexDigits] != '\t' &&
      content[kHexDigits] != '\r' && content[kHexDigits] != '\n') {
    return {};
  }
  return hash;
}

}  // namespace

std::string HashSidecarPath(const std::string& file) {
  return file + ".sha256";
}

std::string HashSidecarLine(const std::string& sha256, const std::string& file) {
  return sha256 + "  " + FileNameOf(file) + "\n";
}

FileResult WriteHashSidecar(FileSystem& files, const std::string& file, const std::string& sha256) {
  return files.ReplaceFilePrivately(HashSidecarPath(file), HashSidecarLine(sha256, file));
}

SidecarCheck CheckAgainstSidecar(FileSystem& files, const std::string& file, StopRequest& stop) {
  SidecarCheck check;
  const std::optional<std::string> sidecar = files.ReadWholeFile(HashSidecarPath(file));
  if (!sidecar) {
    return check;
  }
  check.expected = FirstHash(*sidecar);
  if (check.expected.empty()) {
    check.result = SidecarCheck::Result::kSidecarInvalid;
    return check;
  }
  const std::optional<std::string> actual =
      files.Sha256OfFile(file, [&stop] { return stop.IsRequested(); });
  StopHereIfRequested(stop);
  if (!actual) {
    check.result = SidecarCheck::Result::kFileUnreadable;
    return check;
  }
  check.actual = *actual;
  check.result = check.actual == check.expected ? SidecarCheck::Result::kMatches
                                                : SidecarCheck::Result::kDiffers;
  return check;
}

std::string SidecarRefusalText(const SidecarCheck& check, const std::string& file,
                               const std::string& what) {
  const std::string sidecar = HashSidecarPath(file);
  switch (check.result) {
    case SidecarCheck::Result::kNoSidecar:
    case SidecarCheck::Result::kMatches:
      return {};
    case SidecarCheck::Result::kDiffers:
      return FormatText("备份文件[%s]的SHA-256与[%s]所记不符,文件已被改动或损坏;%s",
                        {file, sidecar, what});
    case SidecarCheck::Result::kSidecarInvalid:
      return FormatText("[%s]中没有SHA-256值,无法核对备份文件;%s", {sidecar, what});
    case SidecarCheck::Result::kFileUnreadable:
      return FormatText("无法读取备份文件[%s]以核对SHA-256;%s", {file, what});
  }
  return {};
}

}  // namespace harrowlander
