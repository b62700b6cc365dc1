#include "sql/net_server_name.h"

#include "ports/system_info.h"
#include "ports/text_codec.h"
#include "res/ascii_case.h"

namespace harrowlander::sql {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

}  // namespace

std::string GetLocalComputerName(SystemInfo& system, TextCodec& codec) {
  // The system call fills a 16-byte buffer of ANSI (GBK) text: a longer name does not
  // fit and fails. A Chinese character takes two of those bytes, not UTF-8's three.
  constexpr size_t kBufferSize = 16;
  std::optional<std::string> name = system.ComputerName();
  if (!name || codec.Utf8ToGbk(*name).size() >= kBufferSize) {
    return {};
  }
  return *name;
}

std::string DeriveNetServerName(SystemInfo& system, TextCodec& codec, std::string_view serverText) {
  // 1.
  const size_t first = serverText.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  std::string_view text =
      serverText.substr(first, serverText.find_last_not_of(kBlanks) - first + 1);
  // 2.
  if (const size_t backslash = text.rfind('\\'); backslash != std::string_view::npos) {
    return std::string(text.substr(0, backslash));
  }
  // 3.
  if (text == "." || EqualsIgnoringAsciiCase(text, "(local)")) {
    return GetLocalComputerName(system, codec);
  }
  // 4.
  return std::string(text);
}

}  // namespace harrowlander::sql
