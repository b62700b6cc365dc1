#pragma once

#include "ports/system_info.h"

namespace harrowlander::posix {

// Facts about this user and machine from the environment and the C library.
class PosixSystemInfo : public SystemInfo {
 public:
  // The per-user cache directory: $XDG_CACHE_HOME when set to an absolute path, else
  // $HOME/.cache (the home from the user database when $HOME is unset). Missing
  // directories are created private to the user (0700).
  std::optional<std::string> SettingsDirectory() override;
  // The first label of the host name in upper case, cut to 15 characters as the
  // network name of a machine is.
  std::optional<std::string> ComputerName() override;
  void Sleep(unsigned milliseconds) override;
  // The monotonic clock in milliseconds, cut to 32 bits.
  std::uint32_t TickCount() override;
  LocalTime Now() override;
};

}  // namespace harrowlander::posix
