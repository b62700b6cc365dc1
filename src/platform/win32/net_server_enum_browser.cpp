#include "platform/win32/net_server_enum_browser.h"

// clang-format off
#include "platform/win32/windows_api.h"
#include <lm.h>
// clang-format on

#include "platform/win32/wide_text.h"

namespace harrowlander::win32 {
namespace {

std::string TextOf(const wchar_t* text) {
  return text != nullptr ? Narrow(text) : std::string();
}

}  // namespace

ServerEnumeration ServerEnumerationOf(std::uint32_t status, const SERVER_INFO_101* records,
                                      std::uint32_t read, std::uint32_t total) {
  ServerEnumeration result;
  result.status = status;
  if (status != ServerEnumeration::kSuccess && status != ServerEnumeration::kMoreData) {
    return result;
  }
  result.totalEntries = total;
  if (records == nullptr) {
    return result;
  }
  for (std::uint32_t i = 0; i < read; ++i) {
    const SERVER_INFO_101& record = records[i];
    result.entries.push_back({record.sv101_platform_id, TextOf(record.sv101_name),
                              record.sv101_version_major, record.sv101_version_minor,
                              record.sv101_type, TextOf(record.sv101_comment)});
  }
  return result;
}

ServerEnumeration NetServerEnumBrowser::EnumerateSqlServers() {
  LPBYTE buffer = nullptr;
  DWORD read = 0;
  DWORD total = 0;
  const NET_API_STATUS status = NetServerEnum(nullptr, 101, &buffer, MAX_PREFERRED_LENGTH, &read,
                                              &total, SV_TYPE_SQLSERVER, nullptr, nullptr);
  ServerEnumeration result =
      ServerEnumerationOf(status, reinterpret_cast<const SERVER_INFO_101*>(buffer), read, total);
  if (buffer != nullptr) {
    NetApiBufferFree(buffer);
  }
  return result;
}

}  // namespace harrowlander::win32
