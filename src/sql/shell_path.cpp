#include "sql/shell_path.h"

namespace harrowlander::sql {

bool IsShellSafePath(std::string_view path) {
  return path.find_first_of(std::string_view("\"%*?\r\n\0", 7)) == std::string_view::npos;
}

}  // namespace harrowlander::sql
