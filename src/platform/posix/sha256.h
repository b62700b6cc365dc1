#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/posix/copy_endpoints.h"

struct evp_md_ctx_st;  // OpenSSL's EVP_MD_CTX

namespace harrowlander::posix {

// SHA-256 through OpenSSL's EVP digests, fed the bytes in order.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Add(const char* data, std::size_t size);
  // 64 lowercase hex digits of what was added; "" when the library failed at any step.
  // Ends the digest: what is added afterwards is not counted, and a second call answers "".
  std::string HexDigest();

 private:
  evp_md_ctx_st* m_digest;
  bool m_usable;
};

// The SHA-256 of what the reader reads from the start until it answers 0, in chunks of
// chunkSize; nothing when a read fails, or when stopRequested (which may be empty)
// answers true before a chunk.
std::optional<std::string> Sha256OfContent(CopyReader& reader, std::size_t chunkSize,
                                           const std::function<bool()>& stopRequested);

}  // namespace harrowlander::posix
