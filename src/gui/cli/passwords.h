#pragma once

#include <optional>
#include <string>

#include "gui/cli/console.h"
#include "ports/file_system.h"

namespace harrowlander::cli {

// Where one password may come from, in the order tried.
struct PasswordSource {
  const std::optional<std::string>& file;  // its first line; "-" is standard input
  const char* variable;                    // HARROWLANDER_..._PASSWORD
  std::string prompt;                      // asked without echo on a terminal
  bool confirm = false;                    // asked twice, as the dialog has two entries
  bool ask = true;                         // false when nobody would use the answer
};

struct ObtainedPassword {
  std::string password;
  std::string confirmation;  // equal to the password unless it was asked twice
  std::string error;         // the file could not be read
};

// The password from the file, else the variable, else the terminal when standard input
// is one, else empty.
ObtainedPassword ObtainPassword(const PasswordSource& source, Console& console, FileSystem& files);

}  // namespace harrowlander::cli
