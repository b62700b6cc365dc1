#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/win32/net_server_enum_browser.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system_info.h"
#include "platform/win32/windows_api.h"
// clang-format off
#include <lm.h>
// clang-format on

namespace harrowlander {
namespace {

TEST(Win32SystemInfo, SettingsGoToAnExistingTemporaryFolder) {
  win32::Win32SystemInfo system;
  const std::optional<std::string> directory = system.SettingsDirectory();
  ASSERT_TRUE(directory.has_value());
  EXPECT_TRUE(directory->ends_with("\\")) << *directory;
  const DWORD attributes = GetFileAttributesW(win32::Widen(*directory).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << *directory;
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Win32SystemInfo, TheComputerNameIsANetworkName) {
  const std::optional<std::string> name = win32::Win32SystemInfo().ComputerName();
  ASSERT_TRUE(name.has_value());
  EXPECT_FALSE(name->empty());
  EXPECT_LE(name->size(), 15u);
  for (char c : *name) {
    EXPECT_FALSE(std::islower(static_cast<unsigned char>(c))) << *name;
  }
}

TEST(Win32SystemInfo, TheClockRunsOnDuringASleepAndTheCalendarIsLocal) {
  win32::Win32SystemInfo system;
  const std::uint32_t start = system.TickCount();
  system.Sleep(200);
  const std::uint32_t elapsed = system.TickCount() - start;
  // The tick count moves in steps of up to 16 ms.
  EXPECT_GE(elapsed, 180u);
  EXPECT_LT(elapsed, 5000u);

  // The same minute as the system's clock just before or just after.
  SYSTEMTIME before{};
  SYSTEMTIME after{};
  GetLocalTime(&before);
  const LocalTime now = system.Now();
  GetLocalTime(&after);
  const auto sameMinute = [&now](const SYSTEMTIME& clock) {
    return now.year == clock.wYear && now.month == clock.wMonth && now.day == clock.wDay &&
           now.hour == clock.wHour && now.minute == clock.wMinute;
  };
  EXPECT_TRUE(sameMinute(before) || sameMinute(after));
  EXPECT_GE(now.second, 0);
  EXPECT_LE(now.second, 59);
}

TEST(NetServerEnumBrowser, RecordsBecomeEntriesOnlyWhenTheBrowseListAnswered) {
  wchar_t name[] = L"DBHOST\\财务";
  wchar_t comment[] = L"备份服务器";
  const SERVER_INFO_101 records[] = {
      {500, name, 8, 0, SV_TYPE_SQLSERVER | SV_TYPE_DOMAIN_CTRL, comment},
      {500, nullptr, 5, 2, SV_TYPE_SQLSERVER, nullptr},
  };

  const ServerEnumeration more = win32::ServerEnumerationOf(234, records, 2, 7);
  EXPECT_EQ(more.status, ServerEnumeration::kMoreData);
  EXPECT_EQ(more.totalEntries, 7u);
  ASSERT_EQ(more.entries.size(), 2u);
  const ServerEntry& first = more.entries[0];
  EXPECT_EQ(first.platformId, 500u);
  EXPECT_EQ(first.name, "DBHOST\\财务");
  EXPECT_EQ(first.versionMajor, 8u);
  EXPECT_EQ(first.versionMinor, 0u);
  EXPECT_EQ(first.type, 0xCu);
  EXPECT_EQ(first.comment, "备份服务器");
  EXPECT_EQ(more.entries[1].name, "");
  EXPECT_EQ(more.entries[1].versionMinor, 2u);
  EXPECT_EQ(more.entries[1].comment, "");

  EXPECT_EQ(win32::ServerEnumerationOf(0, records, 1, 1).entries.size(), 1u);
  EXPECT_TRUE(win32::ServerEnumerationOf(0, nullptr, 0, 0).entries.empty());

  const ServerEnumeration failed = win32::ServerEnumerationOf(6118, records, 2, 2);
  EXPECT_EQ(failed.status, 6118u);
  EXPECT_TRUE(failed.entries.empty());
}

}  // namespace
}  // namespace harrowlander
