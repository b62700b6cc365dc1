#pragma once

#include "ports/system_info.h"

namespace harrowlander::win32 {

// Facts about this user and machine from the system's base services.
class Win32SystemInfo : public SystemInfo {
 public:
  // The user's temporary directory (GetTempPath), ending in a backslash.
  std::optional<std::string> SettingsDirectory() override;
  // The NetBIOS name of the machine (GetComputerName): upper case, at most 15 characters.
  std::optional<std::string> ComputerName() override;
  void Sleep(unsigned milliseconds) override;
  // GetTickCount: milliseconds since the system started, wrapping after 49.7 days.
  std::uint32_t TickCount() override;
  LocalTime Now() override;
};

}  // namespace harrowlander::win32
