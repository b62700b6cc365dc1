#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace harrowlander {

// Facts about the machine and the user that the core needs. Text is UTF-8.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;

  // Directory that holds the settings file ("Harrowlander.dat"); nothing when the
  // system cannot name one. It may or may not end in a directory separator.
  virtual std::optional<std::string> SettingsDirectory() = 0;

  // The name this machine goes by on the local network (its NetBIOS name, upper case);
  // nothing when the system cannot supply one.
  virtual std::optional<std::string> ComputerName() = 0;

  // Blocks the calling thread for the given time.
  virtual void Sleep(unsigned milliseconds) = 0;
};

}  // namespace harrowlander
