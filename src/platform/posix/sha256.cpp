#include "platform/posix/sha256.h"

#include <openssl/evp.h>

#include <memory>

namespace harrowlander::posix {

Sha256::Sha256()
    : m_digest(EVP_MD_CTX_new()),
      m_usable(m_digest != nullptr && EVP_DigestInit_ex(m_digest, EVP_sha256(), nullptr) == 1) {}

Sha256::~Sha256() {
  EVP_MD_CTX_free(m_digest);
}

void Sha256::Add(const char* data, std::size_t size) {
  if (m_usable && size > 0) {
    m_usable = EVP_DigestUpdate(m_digest, data, size) == 1;
  }
}

std::string Sha256::HexDigest() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  const bool finished = m_usable && EVP_DigestFinal_ex(m_digest, digest, &length) == 1;
  m_usable = false;
  if (!finished) {
    return {};
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * length);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0f];
  }
  return hex;
}

std::optional<std::string> Sha256OfContent(CopyReader& reader, std::size_t chunkSize,
                                           const std::function<bool()>& stopRequested) {
  const std::unique_ptr<char[]> buffer(new char[chunkSize]);
  Sha256 hash;
  for (std::uint64_t offset = 0;;) {
    if (stopRequested && stopRequested()) {
      return std::nullopt;
    }
    const long got = reader.ReadAt(offset, buffer.get(), chunkSize);
    if (got < 0) {
      return std::nullopt;
    }
    if (got == 0) {
      break;
    }
    hash.Add(buffer.get(), static_cast<std::size_t>(got));
    offset += static_cast<std::uint64_t>(got);
  }
  std::string hex = hash.HexDigest();
  if (hex.empty()) {
    return std::nullopt;
  }
  return hex;
}

}  // namespace harrowlander::posix
