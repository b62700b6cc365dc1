#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ports/system_info.h"

namespace harrowlander::cli {

// The system's facts without a settings directory: the command line never reads or
// writes the window's settings file.
class SystemWithoutSettings : public SystemInfo {
 public:
  explicit SystemWithoutSettings(SystemInfo& system) : m_system(system) {}
  std::optional<std::string> SettingsDirectory() override { return std::nullopt; }
  std::optional<std::string> ComputerName() override { return m_system.ComputerName(); }
  void Sleep(unsigned milliseconds) override { m_system.Sleep(milliseconds); }
  std::uint32_t TickCount() override { return m_system.TickCount(); }
  LocalTime Now() override { return m_system.Now(); }

 private:
  SystemInfo& m_system;
};

}  // namespace harrowlander::cli
