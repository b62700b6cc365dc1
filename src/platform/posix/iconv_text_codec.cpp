#include "platform/posix/iconv_text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace harrowlander::posix {
namespace {

constexpr const char* kGbk = "CP936";

// Converts all of `in`; an input sequence the target cannot take, or that is not
// valid in the source, is skipped (one byte of an invalid sequence, one whole
// character of an unconvertible one) and `replacement` is written in its place.
std::string Convert(const char* from, const char* to, std::string_view in,
                    std::string_view replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
  }
  std::string out;
  out.reserve(in.size() * 2);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc != static_cast<size_t>(-1) || errno == E2BIG) {
      continue;
    }
    // EILSEQ: invalid or unconvertible here; EINVAL: cut short at the end.
    size_t skip = 1;
    if (errno == EILSEQ && std::string_view(from) == "UTF-8") {
      // Skip the whole UTF-8 character that the target code page lacks.
      unsigned char lead = static_cast<unsigned char>(*inPtr);
      skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      skip = std::min(skip, inLeft);
    }
    out.append(replacement);
    inPtr += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string IconvTextCodec::Utf8ToGbk(std::string_view utf8) {
  return Convert("UTF-8", kGbk, utf8, "?");
}

std::string IconvTextCodec::GbkToUtf8(std::string_view gbk) {
  return Convert(kGbk, "UTF-8", gbk, "\xEF\xBF\xBD");
}

}  // namespace harrowlander::posix
