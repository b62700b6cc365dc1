#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace harrowlander {

// A moment of the local calendar and clock.
struct LocalTime {
  int year = 0;    // four digits
  int month = 0;   // 1 to 12
  int day = 0;     // 1 to 31
  int hour = 0;    // 0 to 23
  int minute = 0;  // 0 to 59
  int second = 0;  // 0 to 59
};

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

  // Milliseconds of a steady clock that wraps at 2^32; only differences mean anything.
  virtual std::uint32_t TickCount() = 0;
  virtual LocalTime Now() = 0;
};

}  // namespace harrowlander
