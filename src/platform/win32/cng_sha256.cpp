#include "platform/win32/cng_sha256.h"

#include <bcrypt.h>

#include <memory>

namespace harrowlander::win32 {
namespace {

constexpr DWORD kPiece = 1u << 20;
constexpr ULONG kDigestBytes = 32;

// The provider and the hash object, closed in reverse order.
class CngSha256 {
 public:
  CngSha256() {
    m_ok = BCRYPT_SUCCESS(
               BCryptOpenAlgorithmProvider(&m_algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
           BCRYPT_SUCCESS(BCryptCreateHash(m_algorithm, &m_hash, nullptr, 0, nullptr, 0, 0));
  }
  ~CngSha256() {
    if (m_hash != nullptr) {
      BCryptDestroyHash(m_hash);
    }
    if (m_algorithm != nullptr) {
      BCryptCloseAlgorithmProvider(m_algorithm, 0);
    }
  }
  CngSha256(const CngSha256&) = delete;
  CngSha256& operator=(const CngSha256&) = delete;

  bool Ok() const { return m_ok; }
  void Add(const char* data, DWORD size) {
    m_ok = m_ok && BCRYPT_SUCCESS(BCryptHashData(
                       m_hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data)), size, 0));
  }
  // "" when any step failed.
  std::string HexDigest() {
    UCHAR digest[kDigestBytes];
    if (!m_ok || !BCRYPT_SUCCESS(BCryptFinishHash(m_hash, digest, kDigestBytes, 0))) {
      return {};
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const UCHAR byte : digest) {
      hex += kDigits[byte >> 4];
      hex += kDigits[byte & 0x0f];
    }
    return hex;
  }

 private:
  BCRYPT_ALG_HANDLE m_algorithm = nullptr;
  BCRYPT_HASH_HANDLE m_hash = nullptr;
  bool m_ok = false;
};

}  // namespace

std::optional<std::string> Sha256OfOpenFile(HANDLE file, const std::function<bool()>& stopRequested,
                                            DWORD& error) {
  CngSha256 hash;
  if (!hash.Ok()) {
    error = ERROR_INVALID_FUNCTION;
    return std::nullopt;
  }
  const std::unique_ptr<char[]> buffer(new char[kPiece]);
  for (;;) {
    if (stopRequested && stopRequested()) {
      error = ERROR_REQUEST_ABORTED;
      return std::nullopt;
    }
    DWORD got = 0;
    if (!ReadFile(file, buffer.get(), kPiece, &got, nullptr)) {
      error = GetLastError();
      return std::nullopt;
    }
    if (got == 0) {
      break;
    }
    hash.Add(buffer.get(), got);
  }
  std::string hex = hash.HexDigest();
  if (hex.empty()) {
    error = ERROR_INVALID_FUNCTION;
    return std::nullopt;
  }
  error = ERROR_SUCCESS;
  return hex;
}

}  // namespace harrowlander::win32
